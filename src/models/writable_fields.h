// The values a user may write into the module, each with its limits and the
// words that refuse it. The window, parameter files and tolvanectl all check
// through here, so that a value one of them accepts is never refused by another.
//
// The communication mode is not among them: the module reports it and keeps it;
// nothing the user types, loads or passes changes it.
#pragma once
#include <array>
#include <optional>
#include <string>

#include "core/texts.h"

namespace tolvane {

enum class WritableField { kStation, kBaudCode, kStopAddress, kStopCode, kIpAddress, kSubnetMask, kGateway };
inline constexpr int kWritableFieldCount = 7;

struct WritableRule {
  WritableField field;
  bool address;   // a dotted IPv4 address rather than a whole number
  int low, high;  // numbers: the accepted range, both ends included
  // The message box that refuses a value, as the window shows it.
  const TextPair* rangeMessage;
  // The same rule as a clause for longer messages ("it must be a whole number from 1 to 247").
  const TextPair* rule;
};

// Every writable field, in the order above.
const std::array<WritableRule, kWritableFieldCount>& WritableRules();
const WritableRule& RuleFor(WritableField field);

// A number already read from its text: the field's range message, or nullptr
// when the value is accepted.
const TextPair* RefuseNumber(WritableField field, int value);

// A value given as text (a file, a command line): a number is an optional sign
// and digits, leading zeros dropped as the window drops them; an address is four
// dot-separated numbers 0..255 of up to three digits.
struct WritableCheck {
  const TextPair* refusal = nullptr;  // the field's range message; nullptr when accepted
  bool wellFormed = false;            // false: not a number / not an address at all
  int number = 0;                     // the accepted number
  std::string text;                   // the accepted value in its plain form ("7", "10.0.0.5")
  explicit operator bool() const { return refusal == nullptr; }
};
WritableCheck CheckWritable(WritableField field, const std::string& text);

}  // namespace tolvane
