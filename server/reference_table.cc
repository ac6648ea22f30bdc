// Per-client reference counts.
#include "server/reference_table.h"

namespace zr {

unsigned ReferenceTable::Add(const std::string& client, const std::string& object) {
  ++clients_[client][object];
  return ++totals_[object];
}

bool ReferenceTable::Release(const std::string& client, const std::string& object) {
  auto found_client = clients_.find(client);
  if (found_client == clients_.end()) return false;
  auto found = found_client->second.find(object);
  if (found == found_client->second.end()) return false;
  if (--found->second == 0) found_client->second.erase(found);
  if (found_client->second.empty()) clients_.erase(found_client);
  if (--totals_[object] == 0) totals_.erase(object);
  return true;
}

std::vector<std::pair<std::string, unsigned>> ReferenceTable::ReleaseAll(
    const std::string& client) {
  std::vector<std::pair<std::string, unsigned>> released;
  auto found_client = clients_.find(client);
  if (found_client == clients_.end()) return released;
  for (const auto& [object, count] : found_client->second) {
    released.emplace_back(object, count);
    if ((totals_[object] -= count) == 0) totals_.erase(object);
  }
  clients_.erase(found_client);
  return released;
}

unsigned ReferenceTable::Total(const std::string& object) const {
  auto found = totals_.find(object);
  return found == totals_.end() ? 0 : found->second;
}

}  // namespace zr
