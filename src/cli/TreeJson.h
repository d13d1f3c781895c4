#pragma once
// The built tree of tunes as the JSON that `skirlo-cli tree` prints.

#include <memory>
#include <string>
#include <vector>

namespace skirlo {

struct Tune;

std::string treeJson(const std::vector<std::unique_ptr<Tune>>& tunes);

}  // namespace skirlo
