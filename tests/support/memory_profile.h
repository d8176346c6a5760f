#pragma once
#include <map>
#include <string>
#include <vector>

#include "core/comm_settings.h"

namespace tolvane::test {

// A profile in memory; `order` records the keys as they were written.
class MemoryProfile : public ProfileStore {
 public:
  std::map<std::string, std::string> values;
  std::vector<std::string> order;
  std::string Read(const std::string& section, const std::string& key) override {
    auto it = values.find(section + "/" + key);
    return it == values.end() ? std::string() : it->second;
  }
  void Write(const std::string& section, const std::string& key, const std::string& value) override {
    values[section + "/" + key] = value;
    order.push_back(key);
  }
};

}  // namespace tolvane::test
