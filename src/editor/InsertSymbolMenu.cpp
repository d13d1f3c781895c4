#include "editor/InsertSymbolMenu.h"

#include <QMenu>

#include <array>
#include <cctype>
#include <initializer_list>
#include <utility>

namespace skirlo {

namespace {

// The nine chanter notes as symbol names spell them, and as the menus name them.
constexpr std::array<std::string_view, 9> kPitchCodes = {"LG", "LA", "B", "C", "D", "E", "F", "HG", "HA"};
constexpr std::array<std::string_view, 9> kPitchLabels = {"Low G", "Low A", "B",      "C",     "D",
                                                          "E",     "F",     "High G", "High A"};

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Hands out command ids in table order, which is id order.
class TableWriter {
public:
    InsertSymbolGroup group(std::string title, std::initializer_list<InsertSymbolGroup> submenus) {
        return {std::move(title), submenus, {}};
    }
    // Texts as given, line ends and missing blanks included.
    InsertSymbolGroup exact(std::string title, std::initializer_list<std::pair<std::string, std::string>> items) {
        InsertSymbolGroup g{std::move(title), {}, {}};
        for (const auto& [label, text] : items) g.entries.push_back({nextId_++, label, text});
        return g;
    }
    // Texts each followed by one blank.
    InsertSymbolGroup blanked(std::string title, std::initializer_list<std::pair<std::string, std::string>> items) {
        InsertSymbolGroup g{std::move(title), {}, {}};
        for (const auto& [label, text] : items) g.entries.push_back({nextId_++, label, text + ' '});
        return g;
    }
    // One entry per chanter note from `first` to `last`, named prefix + note + suffix.
    InsertSymbolGroup pitches(std::string title, std::string_view prefix, std::string_view suffix, bool lowerCase,
                              std::size_t first = 0, std::size_t last = 8) {
        InsertSymbolGroup g{std::move(title), {}, {}};
        for (std::size_t p = first; p <= last; ++p) {
            const std::string code = lowerCase ? lower(kPitchCodes[p]) : std::string(kPitchCodes[p]);
            std::string text = std::string(prefix) + code + std::string(suffix) + ' ';
            g.entries.push_back({nextId_++, std::string(kPitchLabels[p]), std::move(text)});
        }
        return g;
    }
    InsertSymbolGroup tails(std::string title, std::string_view value) {
        return group(std::move(title), {pitches("Curved Tail", "", std::string("_") + std::string(value), false),
                                        pitches("Left Tail", "", std::string("l_") + std::string(value), false),
                                        pitches("Right Tail", "", std::string("r_") + std::string(value), false)});
    }

private:
    int nextId_ = kFirstInsertSymbolCommand;
};

InsertSymbolGroup melodyNotes(TableWriter& w) {
    return w.group("Melody Notes", {w.pitches("Whole", "", "_1", false), w.pitches("Half", "", "_2", false),
                                    w.pitches("Quarter", "", "_4", false), w.tails("Eighth", "8"),
                                    w.tails("Sixteenth", "16"), w.tails("Thirty-Second", "32")});
}

InsertSymbolGroup singleGracenotes(TableWriter& w) {
    return w.group("Single Gracenotes",
                   {w.blanked("Gracenotes", {{"Low A", "ag"}, {"B", "bg"}, {"C", "cg"}, {"D", "dg"}, {"E", "eg"},
                                             {"F", "fg"}, {"High G", "gg"}, {"High A", "tg"}}),
                    w.pitches("Strikes", "str", "", true)});
}

InsertSymbolGroup embellishments(TableWriter& w) {
    const auto doublings = w.group("Doublings", {w.pitches("Regular", "db", "", true),
                                                 w.pitches("Thumb", "tdb", "", true, 0, 6),
                                                 w.pitches("Half", "hdb", "", true, 0, 6)});
    const auto strikes = w.group(
        "Gracenote Strikes",
        {w.blanked("High G", {{"Low A", "gstla"}, {"B", "gstb"}, {"C", "gstc"}, {"D Heavy", "gstd"},
                              {"D Light", "lgstd"}, {"E", "gste"}, {"F", "gstf"}}),
         w.blanked("Thumb", {{"Low A", "tstla"}, {"B", "tstb"}, {"C", "tstc"}, {"D Heavy", "tstd"},
                             {"D Light", "ltstd"}, {"E", "tste"}, {"F", "tstf"}, {"High G", "tsthg"}}),
         w.blanked("Half", {{"Low A", "hstla"}, {"B", "hstb"}, {"C", "hstc"}, {"D Heavy", "hstd"},
                            {"D Light", "lhstd"}, {"E", "hste"}, {"F", "hstf"}, {"High G", "hsthg"}})});
    const auto peles = w.group(
        "Peles",
        {w.blanked("Regular", {{"Low A", "pella"}, {"B", "pelb"}, {"C", "pelc"}, {"D Heavy", "peld"},
                               {"D Light", "lpeld"}, {"E", "pele"}, {"F", "pelf"}}),
         w.blanked("Thumb", {{"Low A", "tpella"}, {"B", "tpelb"}, {"C", "tpelc"}, {"D Heavy", "tpeld"},
                             {"D Light", "ltpeld"}, {"E", "tpele"}, {"F", "tpelf"}, {"High G", "tpelhg"}}),
         w.blanked("Half", {{"Low A", "hpella"}, {"B", "hpelb"}, {"C", "hpelc"}, {"D Heavy", "hpeld"},
                            {"D Light", "lhpeld"}, {"E", "hpele"}, {"F", "hpelf"}, {"High G", "hpelhg"}})});
    const auto birls = w.blanked(
        "Birls", {{"Regular", "brl"}, {"With Low A", "abr"}, {"With High G", "gbr"}, {"With Thumb", "tbr"}});
    const auto throws = w.blanked("D Throws", {{"Light", "thrd"}, {"Heavy", "hvthrd"}});
    const auto grips = w.group(
        "Grips",
        {w.blanked("Regular", {{"With D Gracenote", "grp"}, {"With B Gracenote", "grpb"}}),
         w.blanked("High G", {{"Low A", "ggrpla"}, {"B", "ggrpb"}, {"C", "ggrpc"}, {"D", "ggrpd"},
                              {"D with B Gracenote", "ggrpdb"}, {"E", "ggrpe"}, {"F", "ggrpf"}}),
         w.blanked("Thumb", {{"Low A", "tgrpla"}, {"B", "tgrpb"}, {"C", "tgrpc"}, {"D", "tgrpd"},
                             {"D with B Gracenote", "tgrpdb"}, {"E", "tgrpe"}, {"F", "tgrpf"}, {"High G", "tgrphg"}}),
         w.blanked("Half", {{"Low A", "hgrpla"}, {"B", "hgrpb"}, {"C", "hgrpc"}, {"D", "hgrpd"},
                            {"D with B Gracenote", "hgrpdb"}, {"E", "hgrpe"}, {"F", "hgrpf"}, {"High G", "hgrphg"},
                            {"High A", "hgrpha"}})});
    const auto taorluaths = w.blanked("Taorluaths", {{"With D Gracenote", "tar"}, {"With B Gracenote", "tarb"}});
    const auto bubblys = w.blanked("Bubblys", {{"Regular", "bubly"}, {"Half", "hbubly"}});
    return {"Embellishments", {doublings, strikes, peles, birls, throws, grips, taorluaths, bubblys}, {}};
}

InsertSymbolGroup staffFormatting(TableWriter& w) {
    return w.exact("Staff Formatting", {{"Tab/Next Beat", "\t"},
                                        {"G Clef", "& "},
                                        {"Barline", "! "},
                                        {"Terminating Barline", "!t"},
                                        {"Start of Part", "I! "},
                                        {"End of Part", "!I"},
                                        {"Start of Part with Repeats", "I!'' "},
                                        {"End of Part with Repeats", "''!I"}});
}

InsertSymbolGroup timeSignatures(TableWriter& w) {
    return w.group("Time Signatures",
                   {w.blanked("Simple-Half", {{"2/2", "2_2"}, {"3/2", "3_2"}, {"Cut Common", "C_"}}),
                    w.blanked("Simple-Quarter", {{"2/4", "2_4"},
                                                 {"3/4", "3_4"},
                                                 {"4/4", "4_4"},
                                                 {"5/4", "5_4"},
                                                 {"6/4", "6_4"},
                                                 {"7/4", "7_4"},
                                                 {"Common", "C"}}),
                    w.blanked("Compound-Eighth",
                              {{"6/8", "6_8"}, {"9/8", "9_8"}, {"12/8", "12_8"}, {"15/8", "15_8"}, {"21/8", "21_8"}})});
}

InsertSymbolGroup timeLines(TableWriter& w) {
    return w.blanked("Time Lines", {{"1st", "'1"},
                                    {"2nd", "'2"},
                                    {"2nd of 2nd pt", "'22"},
                                    {"2nd of 3rd pt", "'23"},
                                    {"2nd of 4th pt", "'24"},
                                    {"2nd of 5th pt", "'25"},
                                    {"2nd of 6th pt", "'26"},
                                    {"2nd of 7th pt", "'27"},
                                    {"2nd of 8th pt", "'28"},
                                    {"2nd of 2nd and 4th pts", "'224"},
                                    {"Introduction", "'intro"},
                                    {"End of time line", "_'"}});
}

InsertSymbolGroup textRecords(TableWriter& w) {
    return w.exact("Text",
                   {{"Title", "\"Title\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n"},
                    {"Type", "\"Type\",(Y,C,0,0,Times New Roman,14,400,0,0,18,0,0,0)\r\n"},
                    {"Composer", "\"Composer/Arranger\",(M,R,0,0,Times New Roman,14,400,0,0,18,0,0,0)\r\n"},
                    {"Footer", "\"Footer\",(F,R,0,0,Times New Roman,10,400,0,0,18,0,0,0)\r\n"},
                    {"In-Line", "\"In-Line\",(I,L,0,0,Times New Roman,11,700,0,0,0,0,0,0) "},
                    {"Fixed", "\"Fixed\",(X,L,1000,1000,Times New Roman,12,400,0,0,0,0,0,0) "},
                    {"Comment", "\"Comment\" "}});
}

// The movements, cadences and marks of ceol mor; their ids follow the last
// of the light-music table, so that no older command changes its number.
InsertSymbolGroup ceolMor(TableWriter& w) {
    return w.group(
        "Ceol Mor",
        {w.blanked("Crunluaths", {{"Crunluath", "crun"},
                                  {"From D", "crunb"},
                                  {"From Low G", "crunlg"},
                                  {"A Mach on B", "crunamb"},
                                  {"A Mach on C", "crunamc"},
                                  {"A Mach on D", "crunamd"},
                                  {"Fosgailte on B", "crunfosgb"},
                                  {"Fosgailte on C", "crunfosgc"},
                                  {"Fosgailte on D", "crunfosgd"}}),
         w.blanked("Taorluaths", {{"A Mach on B", "taramb"},
                                  {"A Mach on C", "taramc"},
                                  {"A Mach on D", "taramd"},
                                  {"From Low G", "tarlg"}}),
         w.blanked("Throws", {{"Dre", "dre"}, {"Dare", "dare"}, {"Bari", "bari"}}),
         w.blanked("Cadences with Held E", {{"E", "cadE"},
                                            {"E D", "cadEd"},
                                            {"High G E", "cadgE"},
                                            {"High G E D", "cadgEd"},
                                            {"High G E F", "cadgEf"}}),
         w.blanked("Marks", {{"Taorluath (T)", "txtaor"},
                             {"Crunluath (C)", "txcrun"},
                             {"Taorluath a Mach", "txtaoram"},
                             {"Crunluath a Mach", "txcrunam"},
                             {"Trebling", "trebling"}})});
}

InsertSymbolGroup buildTable() {
    TableWriter w;
    InsertSymbolGroup top{"Symbol", {}, {}};
    top.submenus.push_back(melodyNotes(w));
    top.submenus.push_back(w.pitches("Dots", "'", "", true));
    top.submenus.push_back(singleGracenotes(w));
    top.submenus.push_back(embellishments(w));
    top.submenus.push_back(staffFormatting(w));
    top.submenus.push_back(w.group("Accidentals", {w.pitches("Naturals", "natural", "", true),
                                                   w.pitches("Sharps", "sharp", "", true)}));
    top.submenus.push_back(timeSignatures(w));
    top.submenus.push_back(timeLines(w));
    top.submenus.push_back(w.blanked("Ties", {{"Start", "^ts"}, {"End", "^te"}}));
    top.submenus.push_back(w.blanked("Runs of 3", {{"Start", "^3s"}, {"End", "^3e"}}));
    top.submenus.push_back(textRecords(w));
    top.entries.push_back(top.submenus[4].entries.front());  // the repeated Tab/Next Beat
    auto tail = w.exact("", {{"New Staff", "& sharpf sharpc "}, {"Tempo Change", "TuneTempo,90 "}});
    top.entries.insert(top.entries.end(), tail.entries.begin(), tail.entries.end());
    top.submenus.push_back(ceolMor(w));
    return top;
}

void collectTexts(const InsertSymbolGroup& group, std::vector<std::string_view>& texts) {
    for (const auto& submenu : group.submenus) collectTexts(submenu, texts);
    for (const auto& entry : group.entries) {
        texts[static_cast<std::size_t>(entry.commandId - kFirstInsertSymbolCommand)] = entry.text;
    }
}

void addToMenu(QMenu& menu, const InsertSymbolGroup& group) {
    for (const auto& submenu : group.submenus) {
        addToMenu(*menu.addMenu(QString::fromStdString(submenu.title)), submenu);
    }
    for (const auto& entry : group.entries) {
        menu.addAction(QString::fromStdString(entry.label))->setData(entry.commandId);
    }
}

}  // namespace

const InsertSymbolGroup& insertSymbolTable() {
    static const InsertSymbolGroup table = buildTable();
    return table;
}

std::string_view insertSymbolText(int commandId) {
    static const std::vector<std::string_view> texts = [] {
        std::vector<std::string_view> all(kLastInsertSymbolCommand - kFirstInsertSymbolCommand + 1);
        collectTexts(insertSymbolTable(), all);
        return all;
    }();
    if (commandId < kFirstInsertSymbolCommand || commandId > kLastInsertSymbolCommand) return {};
    return texts[static_cast<std::size_t>(commandId - kFirstInsertSymbolCommand)];
}

QMenu* createInsertSymbolMenu(QWidget* parent) {
    auto* menu = new QMenu(QString::fromStdString(insertSymbolTable().title), parent);
    addToMenu(*menu, insertSymbolTable());
    return menu;
}

}  // namespace skirlo
