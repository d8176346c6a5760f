#include "models/writable_fields.h"

#include <cctype>

#include "core/decimal.h"
#include "device/register_map.h"

namespace tolvane {
namespace {

using F = WritableField;
constexpr int kOctetMax = 255;

constexpr std::array<WritableRule, kWritableFieldCount> kRules{{
    {F::kStation, false, kMinStation, kMaxStation, &txt::kStationRange, &txt::kRuleStation},
    {F::kBaudCode, false, 0, kBaudCodeCount - 1, &txt::kBaudCodeRange, &txt::kRuleBaudCode},
    {F::kStopAddress, false, kMinStopAddress, kMaxStopAddress, &txt::kStopAddrRange, &txt::kRuleStopAddr},
    {F::kStopCode, false, kMinStopCode, kMaxStopCode, &txt::kStopCodeRange, &txt::kRuleStopCode},
    {F::kIpAddress, true, 0, kOctetMax, &txt::kAddressForm, &txt::kRuleAddress},
    {F::kSubnetMask, true, 0, kOctetMax, &txt::kAddressForm, &txt::kRuleAddress},
    {F::kGateway, true, 0, kOctetMax, &txt::kAddressForm, &txt::kRuleAddress},
}};

constexpr bool InFieldOrder() {
  for (size_t i = 0; i < kRules.size(); ++i)
    if (static_cast<size_t>(kRules[i].field) != i) return false;
  return true;
}
static_assert(InFieldOrder(), "RuleFor looks a field up by its position");

bool AllDigits(const std::string& s, size_t from) {
  if (from >= s.size()) return false;
  for (size_t i = from; i < s.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
  return true;
}

// The window's reading of a number field: leading zeros dropped, then the
// leading decimal value, which saturates, so a huge number stays out of range.
std::optional<int> SignedNumber(const std::string& text) {
  const size_t digits = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (!AllDigits(text, digits)) return std::nullopt;
  return DecimalValue(text.substr(0, digits) + StripLeadingZeros(text.substr(digits)));
}

std::optional<std::string> PlainAddress(const std::string& text) {
  std::string plain;
  size_t start = 0;
  for (int k = 0; k < kAddressOctets; ++k) {
    const size_t dot = k + 1 < kAddressOctets ? text.find('.', start) : text.size();
    if (dot == std::string::npos) return std::nullopt;
    const std::string octet = text.substr(start, dot - start);
    if (octet.size() > 3 || !AllDigits(octet, 0)) return std::nullopt;
    const int n = DecimalValue(StripLeadingZeros(octet));
    if (n > kOctetMax) return std::nullopt;
    if (k) plain += '.';
    plain += std::to_string(n);
    start = dot + 1;
  }
  return plain;
}

}  // namespace

const std::array<WritableRule, kWritableFieldCount>& WritableRules() { return kRules; }

const WritableRule& RuleFor(WritableField field) { return kRules[static_cast<size_t>(field)]; }

const TextPair* RefuseNumber(WritableField field, int value) {
  const WritableRule& r = RuleFor(field);
  return value < r.low || value > r.high ? r.rangeMessage : nullptr;
}

WritableCheck CheckWritable(WritableField field, const std::string& text) {
  const WritableRule& r = RuleFor(field);
  WritableCheck c;
  if (r.address) {
    const std::optional<std::string> plain = PlainAddress(text);
    c.wellFormed = plain.has_value();
    if (!plain) {
      c.refusal = r.rangeMessage;
      return c;
    }
    c.text = *plain;
    return c;
  }
  const std::optional<int> n = SignedNumber(text);
  c.wellFormed = n.has_value();
  c.refusal = n ? RefuseNumber(field, *n) : r.rangeMessage;
  if (!c.refusal) {
    c.number = *n;
    c.text = std::to_string(*n);
  }
  return c;
}

}  // namespace tolvane
