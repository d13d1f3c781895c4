#pragma once
// The built tree of tunes as the JSON that `skirlo-cli tree` prints.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace skirlo {

struct Tune;

std::string treeJson(const std::vector<std::unique_ptr<Tune>>& tunes);
// The same JSON, with its line end, written to `out` as it is made; false
// when writing failed.
bool writeTreeJson(const std::vector<std::unique_ptr<Tune>>& tunes, std::FILE* out);

}  // namespace skirlo
