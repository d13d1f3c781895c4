#pragma once
// The insert-symbol popup of the script pane: 331 commands, ids 4045 to 4375,
// each inserting one fixed text, in nested menus by kind of symbol. The table is
// plain data; the QMenu is built from it.

#include <string>
#include <string_view>
#include <vector>

class QMenu;
class QWidget;

namespace skirlo {

inline constexpr int kFirstInsertSymbolCommand = 4045;
inline constexpr int kLastInsertSymbolCommand = 4375;
inline constexpr int kTabNextBeatCommand = 4284;

struct InsertSymbolEntry {
    int commandId;
    std::string label;
    std::string text;  // exactly what is inserted, trailing blank or line end included
};

// One popup: its submenus, then its own entries.
struct InsertSymbolGroup {
    std::string title;
    std::vector<InsertSymbolGroup> submenus;
    std::vector<InsertSymbolEntry> entries;
};

// The whole popup; its top level also repeats "Tab/Next Beat".
const InsertSymbolGroup& insertSymbolTable();

// The text a command inserts; empty for an id outside the table.
std::string_view insertSymbolText(int commandId);

// The popup as a QMenu owned by `parent`; each action's data() is its command id.
QMenu* createInsertSymbolMenu(QWidget* parent);

}  // namespace skirlo
