#pragma once

#include <QString>

// Right-to-left lines carry left-to-right runs: numbers, codes, dates, times,
// Latin words. Left to the paragraph's direction they come out backwards
// ("989123333333+", "#140*", "19 / 09 / 1405"). These helpers make the text a
// widget shows; what is stored, sent or read back stays as it was, so they
// are applied where text is shown and nowhere else.
namespace bidi {
inline constexpr char16_t kLri = 0x2066; // left-to-right isolate
inline constexpr char16_t kPdi = 0x2069; // pop directional isolate

// Each left-to-right run of `text` between an isolate pair. A run starts and
// ends with a Latin letter or a digit; blanks and separators between two such
// characters belong to it, as do the code marks "+", "*" and "#" that touch
// it. A line break ends a run. Text already isolated here is not isolated
// twice.
QString isolateLtrRuns(const QString& text);

// A caption written for a left-to-right line, with its colon first
// (": نام گروه"): shown as that line, the colon at the reading end; its own
// runs isolated as above.
QString leftToRightLine(const QString& text);

// As isolateLtrRuns, and a run glued to a right-to-left letter is set apart
// from it by a blank, for texts joined without one ("ارسال گردید" + time).
QString setApart(const QString& text);

// A label's caption: written with its colon first, a left-to-right line
// (leftToRightLine); otherwise its runs isolated.
QString caption(const QString& text);

// The text without the marks these helpers add: what the operator reads.
QString withoutMarks(const QString& text);
} // namespace bidi
