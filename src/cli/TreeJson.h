#pragma once
// The built tree of tunes as the JSON that `skirlo-cli tree` prints.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace skirlo {

struct Tune;
struct CommandSpec;
class MusicRenderer;

// The options of `skirlo-cli tree`, read by skirlo-cli and, with --layout,
// by the picture helper.
const CommandSpec& treeCommandSpec();

// With a renderer the tree is laid out and the JSON says where everything
// stands, in the layout's pixels: each tune's and staff's box, each staff's
// top line and staff space, each bar's x and width, and each symbol's x, y,
// advance and the boxes of its ink (with a tailed note's flags and beams
// apart).
std::string treeJson(const std::vector<std::unique_ptr<Tune>>& tunes, const MusicRenderer* layout = nullptr);
// The same JSON, with its line end, written to `out` as it is made; false
// when writing failed.
bool writeTreeJson(const std::vector<std::unique_ptr<Tune>>& tunes, std::FILE* out,
                   const MusicRenderer* layout = nullptr);

}  // namespace skirlo
