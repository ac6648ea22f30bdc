// The references that each client connection holds on each object the server
// handed out, so that a client's references can be given back when it leaves
// the bus, and a client can never release a reference it does not hold.
#ifndef ZRFORM_SERVER_REFERENCE_TABLE_H_
#define ZRFORM_SERVER_REFERENCE_TABLE_H_

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zr {

class ReferenceTable {
 public:
  // One more reference of client on object; returns the object's total.
  unsigned Add(const std::string& client, const std::string& object);
  // Gives back one reference of client on object. False, nothing changed,
  // when client holds none.
  bool Release(const std::string& client, const std::string& object);
  // Forgets every reference of client: the (object, count) pairs it held.
  std::vector<std::pair<std::string, unsigned>> ReleaseAll(const std::string& client);
  // The references of all clients on object.
  unsigned Total(const std::string& object) const;
  bool HasClient(const std::string& client) const { return clients_.count(client) != 0; }

 private:
  std::map<std::string, std::map<std::string, unsigned>> clients_;
  std::map<std::string, unsigned> totals_;
};

}  // namespace zr

#endif  // ZRFORM_SERVER_REFERENCE_TABLE_H_
