#include "platform/port_list.h"

#include "core/language.h"

namespace tolvane {

std::string PortDescription(const PortInfo& port) {
  switch (port.kind) {
    case PortInfo::Kind::kUsb: {
      std::string what = port.product.empty() ? Pick(txt::kPortUsbAdapter) : port.product;
      // Many adapters repeat their maker in the product string.
      if (!port.manufacturer.empty() && what.find(port.manufacturer) == std::string::npos)
        what += " " + port.manufacturer;
      if (port.vendorId.empty()) return what;
      return what + " (" + port.vendorId + ":" + port.productId + ")";
    }
    case PortInfo::Kind::kBuiltIn:
      return port.product.empty() ? Pick(txt::kPortBuiltIn) : port.product;
    case PortInfo::Kind::kNamed:
      if (!port.manufacturer.empty() && port.product.find(port.manufacturer) == std::string::npos)
        return port.product + " " + port.manufacturer;
      return port.product;
    case PortInfo::Kind::kListed:
      return Pick(txt::kPortListedBySystem);
    case PortInfo::Kind::kUnknown:
      break;
  }
  return {};
}

std::string PortDropDownText(const PortInfo& port) {
  const std::string what = PortDescription(port);
  return what.empty() ? port.name : port.name + " — " + what;
}

}  // namespace tolvane
