// The rewriting runs as one stream: characters move from the input to the
// output, and when the output ends with the pattern, the pattern is taken
// off and the replacement goes back to the front of the input to be read
// again. The output never holds the pattern, so the first occurrence in
// output + input is always the next one to replace, exactly as a search from
// the start would find it, and a pattern rebuilt across the seam is replaced
// too ("\\\\" -> "\\" collapses runs).
//
// A rewrite that never ends is recognised by repetition. Take two
// replacements, A and then B, such that everything read between them came
// from A's replacement or from replacements made later (never from below
// it), the output was examined no deeper than some d characters below its
// height at A, and the output at B is no lower than at A. If the d
// characters on top of the output at B equal those at A, then from B the
// stream reads the same characters (B's replacement, then the same later
// ones) against the same output, and arrives at a third replacement with the
// same d characters on top, made by the same steps: it repeats for ever.
// Repetition is the only ground for giving up, so a rewrite that ends, such
// as one that grows a text a thousandfold, always gives its result.
#include "helpers/RepeatedReplace.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <vector>

namespace {

using Position = std::ptrdiff_t;

// The state right after one replacement.
struct Mark {
    size_t inputBase;    // input height below the replacement just pushed
    size_t outputSize;   // output height after the pattern was taken off
    Position lowest;     // lowest output position examined while this mark was the newest
    std::wstring top;    // the top of the output at that moment
};

class RewriteStream {
public:
    RewriteStream(const std::wstring& text, const std::wstring& pattern,
                  const std::wstring& replacement)
        : input_(text.rbegin(), text.rend()), pattern_(pattern), replacement_(replacement) {
        // The top of the output kept at each mark: enough for the depths at
        // which repetitions show, bounded so that a long text costs no more.
        keep_ = 64 + 4 * (pattern.size() + replacement.size());
    }

    // False when the rewrite is found to repeat for ever.
    bool Run() {
        const size_t m = pattern_.size();
        while (!input_.empty()) {
            output_.push_back(input_.back());
            input_.pop_back();
            ForgetMarksReadThrough();
            Examined(static_cast<Position>(output_.size()) - static_cast<Position>(m));
            if (output_.size() < m || output_.compare(output_.size() - m, m, pattern_) != 0)
                continue;
            output_.resize(output_.size() - m);
            input_.append(replacement_.rbegin(), replacement_.rend());
            if (RepeatsAnEarlierMark()) return false;
            const size_t kept = std::min(keep_, output_.size());
            marks_.push_back({input_.size() - replacement_.size(), output_.size(),
                              std::numeric_limits<Position>::max(),
                              output_.substr(output_.size() - kept)});
        }
        return true;
    }

    std::wstring& Output() { return output_; }

private:
    // A mark whose replacement has been read through, and then some of what
    // lay below it, can no longer start a repetition.
    void ForgetMarksReadThrough() {
        while (!marks_.empty() && input_.size() < marks_.back().inputBase) {
            Position lowest = marks_.back().lowest;
            marks_.pop_back();
            if (!marks_.empty()) marks_.back().lowest = std::min(marks_.back().lowest, lowest);
        }
    }

    void Examined(Position from) {
        if (!marks_.empty()) marks_.back().lowest = std::min(marks_.back().lowest, from);
    }

    // Only the newest marks are compared, which keeps each step cheap; a
    // repetition recurs at every round, so it still comes within reach.
    bool RepeatsAnEarlierMark() const {
        constexpr size_t kMarksCompared = 64;
        Position lowest = std::numeric_limits<Position>::max();
        const size_t first = marks_.size() > kMarksCompared ? marks_.size() - kMarksCompared : 0;
        for (auto mark = marks_.rbegin(); mark != marks_.rend() - first; ++mark) {
            lowest = std::min(lowest, mark->lowest);  // examined since this mark
            // An output lower than at the mark would bring up characters
            // from below the examined ones in the next round.
            if (output_.size() < mark->outputSize) continue;
            // Below position 0 the check saw a short output; only an output
            // of the same height sees that again.
            if (lowest < 0 && output_.size() != mark->outputSize) continue;
            const Position floor = std::clamp<Position>(
                lowest, 0, static_cast<Position>(mark->outputSize));
            const size_t depth = mark->outputSize - static_cast<size_t>(floor);
            if (depth > mark->top.size() || depth > output_.size()) continue;
            if (output_.compare(output_.size() - depth, depth, mark->top,
                                mark->top.size() - depth, depth) == 0)
                return true;
        }
        return false;
    }

    std::wstring input_;  // read from the back
    std::wstring output_;
    const std::wstring& pattern_;
    const std::wstring& replacement_;
    size_t keep_ = 0;
    std::vector<Mark> marks_;
};

}  // namespace

bool ReplaceUntilNoneLeft(const std::wstring& text, const std::wstring& pattern,
                          const std::wstring& replacement, std::wstring* result) {
    RewriteStream stream(text, pattern, replacement);
    if (!stream.Run()) return false;
    result->swap(stream.Output());
    return true;
}
