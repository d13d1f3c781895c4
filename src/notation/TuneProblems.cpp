#include "notation/TuneProblems.h"

#include <algorithm>

namespace skirlo {

namespace {

constexpr std::string_view kTimeLineCaption = "Time Line Error";
constexpr std::string_view kTieCaption = "Tie Error";
constexpr std::string_view kTripletCaption = "Triplet Error";
constexpr std::string_view kStaffCaption = "Staff Error";

TuneProblem problemAt(const Symbol& symbol, ProblemKind kind, std::string_view caption, std::string text) {
    return {kind, symbol.source, std::string(caption), std::move(text)};
}

// Time lines run through a part: an end closes every open one, except that
// an open 'bis outlives the end that closes the lines inside it.
class TimeLineCheck {
public:
    void add(const Symbol& symbol) {
        if (symbol.category == CAT_START_TIMELINE) {
            // A name outside the table clears every line: nothing is left open.
            if (timeLineBit(symbol.name) == 0) open_.clear();
            else open_.push_back(&symbol);
        } else if (symbol.category == CAT_END_TIMELINE || symbol.category == CAT_END_TIMELINE_BIS) {
            const auto isBis = [](const Symbol* s) { return timeLineBit(s->name) == kBisTimeLine; };
            const bool keepBis = std::any_of(open_.begin(), open_.end(), isBis) &&
                                 !std::all_of(open_.begin(), open_.end(), isBis);
            std::erase_if(open_, [&](const Symbol* s) { return !(keepBis && isBis(s)); });
        }
    }
    void endPart(std::vector<TuneProblem>& problems) {
        for (const Symbol* start : open_) {
            problems.push_back(problemAt(*start, ProblemKind::OpenTimeLine, kTimeLineCaption,
                                         "Time line " + start->name + " is not closed before the end of its part."));
        }
        open_.clear();
    }

private:
    std::vector<const Symbol*> open_;
};

// A tie or triplet end closes the newest start of its kind in its own bar
// or the bar before, in the same staff line.
class SpanCheck {
public:
    SpanCheck(std::int32_t startCategory, std::int32_t endCategory, ProblemKind kind, std::string_view caption,
              std::string_view what)
        : startCategory_(startCategory), endCategory_(endCategory), kind_(kind), caption_(caption), what_(what) {}

    void add(const Symbol& symbol, std::size_t bar, std::vector<TuneProblem>& problems) {
        reportOlderThan(bar, problems);
        if (symbol.category == startCategory_) {
            open_.push_back({&symbol, bar});
        } else if (symbol.category == endCategory_ && !open_.empty()) {
            open_.pop_back();
        }
    }
    void endStaff(std::vector<TuneProblem>& problems) {
        for (const Open& start : open_) report(*start.symbol, problems);
        open_.clear();
    }

private:
    struct Open {
        const Symbol* symbol;
        std::size_t bar;
    };
    void reportOlderThan(std::size_t bar, std::vector<TuneProblem>& problems) {
        while (!open_.empty() && open_.front().bar + 1 < bar) {
            report(*open_.front().symbol, problems);
            open_.erase(open_.begin());
        }
    }
    void report(const Symbol& start, std::vector<TuneProblem>& problems) const {
        problems.push_back(problemAt(start, kind_, caption_, std::string(what_) + " " + start.name +
                                                          " has no end in its bar or the next."));
    }

    std::int32_t startCategory_;
    std::int32_t endCategory_;
    ProblemKind kind_;
    std::string_view caption_;
    std::string_view what_;
    std::vector<Open> open_;
};

void checkSymbol(const Symbol& symbol, std::vector<TuneProblem>& problems) {
    if (symbol.unknown) {
        problems.push_back(unknownSymbolProblem(symbol.name, symbol.source));
    } else if (symbol.category == CAT_TIES && symbol.forwardLink == nullptr) {
        problems.push_back(problemAt(symbol, ProblemKind::TieWithoutNote, kTieCaption,
                                     "Tie " + symbol.name + " has no note after it in its bar."));
    }
}

}  // namespace

TuneProblem strayWordProblem(const Tune::StrayWord& word) {
    if (!word.known) return unknownSymbolProblem(word.name, word.source);
    std::string text = word.name;
    text += " stands after the tune's last bar line: it is neither shown nor played.";
    return {ProblemKind::WordAfterMusic, word.source, std::string(kSymbolErrorCaption), std::move(text)};
}

TuneProblem unknownSymbolProblem(std::string_view name, SourceRange source) {
    std::string text = "Symbol ";
    text.append(name);
    text.append(" could not be found in map!");
    return {ProblemKind::UnknownSymbol, source, std::string(kSymbolErrorCaption), std::move(text)};
}

std::vector<TuneProblem> findTuneProblems(const std::vector<std::unique_ptr<Tune>>& tunes) {
    std::vector<TuneProblem> problems;
    TimeLineCheck timeLines;
    SpanCheck ties(CAT_TIES_START, CAT_TIES_END, ProblemKind::OpenTie, kTieCaption, "Tie");
    SpanCheck triplets(CAT_RUNS_OF_3_START, CAT_RUNS_OF_3_END, ProblemKind::OpenTriplet, kTripletCaption, "Triplet");
    for (const auto& tune : tunes) {
        for (const Tune::StrayWord& word : tune->wordsAfterMusic) {
            problems.push_back(strayWordProblem(word));
        }
        for (const SourceRange& last : tune->unclosedStaves) {
            problems.push_back({ProblemKind::UnclosedStaff, last, std::string(kStaffCaption),
                                "Staff line is not closed: end it with !t, or with !I or ''!I where its part ends."});
        }
        for (const auto& part : tune->parts) {
            for (const auto& staff : part->staves) {
                for (std::size_t bar = 0; bar < staff->bars.size(); ++bar) {
                    for (const auto& symbol : staff->bars[bar]->symbols) {
                        checkSymbol(*symbol, problems);
                        timeLines.add(*symbol);
                        ties.add(*symbol, bar, problems);
                        triplets.add(*symbol, bar, problems);
                    }
                }
                ties.endStaff(problems);
                triplets.endStaff(problems);
            }
            timeLines.endPart(problems);
        }
    }
    std::stable_sort(problems.begin(), problems.end(),
                     [](const TuneProblem& a, const TuneProblem& b) { return a.source.begin < b.source.begin; });
    return problems;
}

}  // namespace skirlo
