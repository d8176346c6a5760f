// The serial ports Windows knows: the names from the device map, what they are
// from the Plug and Play devices whose "PortName" they are.
#include <windows.h>
// after windows.h, which they need
#include <initguid.h>
#include <setupapi.h>
// after initguid.h, so that the class GUIDs are defined here
#include <devguid.h>

#include <map>

#include "platform/port_list.h"
#include "platform/win32_text.h"

namespace tolvane {
namespace {

// GUID_DEVINTERFACE_COMPORT; its header is the driver kit's.
constexpr GUID kComPortInterface{0x86e0d1e0, 0x8089, 0x11d0, {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};

std::wstring Upper(std::wstring s) {
  for (wchar_t& c : s)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  return s;
}

// The first string of a device property (a multi-string's first entry).
std::wstring Property(HDEVINFO set, SP_DEVINFO_DATA& dev, DWORD property) {
  DWORD type = 0, bytes = 0;
  SetupDiGetDeviceRegistryPropertyW(set, &dev, property, &type, nullptr, 0, &bytes);
  if (bytes == 0 || (type != REG_SZ && type != REG_MULTI_SZ)) return {};
  std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 2, L'\0');
  if (!SetupDiGetDeviceRegistryPropertyW(set, &dev, property, &type, reinterpret_cast<BYTE*>(data.data()), bytes,
                                         nullptr))
    return {};
  return data.data();
}

std::wstring PortNameOf(HDEVINFO set, SP_DEVINFO_DATA& dev) {
  const HKEY key = SetupDiOpenDevRegKey(set, &dev, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
  if (key == INVALID_HANDLE_VALUE) return {};
  wchar_t name[256] = {};
  DWORD type = 0, bytes = sizeof name - sizeof(wchar_t);
  const LONG rc = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &bytes);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_SZ ? name : L"";
}

// Four hex digits after "VID_" / "PID_" in a hardware ID such as
// USB\VID_0403&PID_6001&REV_0600 or FTDIBUS\VID_0403+PID_6001+A50285BIA, lower case
// as Linux shows them.
std::string IdAfter(const std::wstring& hardwareId, const wchar_t* tag) {
  const size_t at = hardwareId.find(tag);
  if (at == std::wstring::npos || at + 8 > hardwareId.size()) return {};
  std::string id;
  for (size_t i = at + 4; i < at + 8; ++i) {
    const wchar_t c = hardwareId[i];
    if (!iswxdigit(c)) return {};
    id += static_cast<char>(c >= L'A' && c <= L'F' ? c - L'A' + L'a' : c);
  }
  return id;
}

PortInfo FromDevice(HDEVINFO set, SP_DEVINFO_DATA& dev, const std::wstring& portName) {
  PortInfo info;
  std::wstring friendly = Property(set, dev, SPDRP_FRIENDLYNAME);
  if (friendly.empty()) friendly = Property(set, dev, SPDRP_DEVICEDESC);
  // "USB Serial Port (COM3)": the port is shown beside it already.
  const std::wstring suffix = L" (" + Upper(portName) + L")";
  if (friendly.size() > suffix.size() && Upper(friendly).ends_with(suffix))
    friendly.resize(friendly.size() - suffix.size());
  info.product = win32::Utf8(friendly);
  // "(Standard port types)" and the like name no maker.
  const std::wstring maker = Property(set, dev, SPDRP_MFG);
  if (!maker.empty() && maker[0] != L'(') info.manufacturer = win32::Utf8(maker);

  const std::wstring hardwareId = Upper(Property(set, dev, SPDRP_HARDWAREID));
  const std::wstring enumerator = Upper(Property(set, dev, SPDRP_ENUMERATOR_NAME));
  info.vendorId = IdAfter(hardwareId, L"VID_");
  info.productId = IdAfter(hardwareId, L"PID_");
  if (info.vendorId.empty() || info.productId.empty()) info.vendorId.clear(), info.productId.clear();
  if (enumerator == L"USB" || !info.vendorId.empty()) {
    info.kind = PortInfo::Kind::kUsb;
  } else if (enumerator == L"ACPI" || hardwareId.find(L"PNP0501") != std::wstring::npos) {
    info.kind = PortInfo::Kind::kBuiltIn;
  } else {
    info.kind = info.product.empty() ? PortInfo::Kind::kListed : PortInfo::Kind::kNamed;
  }
  return info;
}

// Port name (upper case) -> its device; the Ports class first, then devices that
// only offer the COM port interface (some virtual ports). The first one wins.
void CollectDevices(const GUID* guid, DWORD flags, std::map<std::wstring, PortInfo>& found) {
  const HDEVINFO set = SetupDiGetClassDevsW(guid, nullptr, nullptr, flags);
  if (set == INVALID_HANDLE_VALUE) return;
  SP_DEVINFO_DATA dev{};
  dev.cbSize = sizeof dev;
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &dev); ++i) {
    const std::wstring port = PortNameOf(set, dev);
    if (!port.empty() && !found.count(Upper(port))) found.emplace(Upper(port), FromDevice(set, dev, port));
  }
  SetupDiDestroyDeviceInfoList(set);
}

}  // namespace

std::vector<std::string> PortNameExamples() { return {"COM3"}; }

std::vector<std::string> ListSerialPorts() {
  std::vector<std::string> ports;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
    return ports;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameSize = 256;
    if (RegEnumValueW(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    wchar_t data[128] = {};  // 256 bytes, one kept for the end
    DWORD type = 0, bytes = sizeof data - sizeof(wchar_t);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes) != ERROR_SUCCESS ||
        type != REG_SZ)
      continue;  // a value that is no text names no port
    ports.push_back(win32::Utf8(data));
  }
  RegCloseKey(key);
  return ports;
}

std::vector<PortInfo> DescribeSerialPorts(const std::vector<std::string>& names) {
  std::map<std::wstring, PortInfo> devices;
  CollectDevices(&GUID_DEVCLASS_PORTS, DIGCF_PRESENT, devices);
  CollectDevices(&kComPortInterface, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE, devices);
  std::vector<PortInfo> infos;
  for (const std::string& name : names) {
    const auto it = devices.find(Upper(win32::Wide(name)));
    PortInfo info;
    if (it != devices.end())
      info = it->second;
    else
      info.kind = PortInfo::Kind::kListed;
    info.name = name;
    infos.push_back(std::move(info));
  }
  return infos;
}

}  // namespace tolvane
