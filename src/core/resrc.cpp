#include "core/resrc.hpp"

#include <string>
#include <utility>
#include <vector>

#include "core/mess.hpp"

namespace orv {
namespace {
struct ResState {
    std::vector<std::pair<std::string, std::string>> list;
};
ResState g;
}  // namespace

void RES_put(const char* name, const char* value) {
    for (auto& [n, v] : g.list)
        if (n == name) {
            v = value != nullptr ? value : "";
            return;
        }
    g.list.emplace_back(name, value != nullptr ? value : "");
}

const char* RES_get(const char* name) {
    for (auto& [n, v] : g.list)
        if (n == name) return v.c_str();
    return nullptr;
}

void RES_list() {
    for (auto& [n, v] : g.list) MESS_print(8, "%s: %s\n", n.c_str(), v.c_str());
}

const char* ORV_version() { return "5.60.4-LINUX-X11"; }

void RES_reset_for_tests() { g = ResState{}; }

}  // namespace orv
