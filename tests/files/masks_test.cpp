#include "files/masks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace morvane {
namespace {

TEST(SetMasks, SplitsAtEverySemicolonKeepingEmptyPieces) {
    MaskList masks;
    const char* texts[] = {"*.jpg;*.jpeg;*.bmp;*.png;*.gif;*.wmf;*.emf", "*.jpg;", ";;", "*.jpg",
                           ""};
    const int uppers[] = {6, 1, 2, 0, -1};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(masks.SetMasks(texts[i]), uppers[i]) << texts[i];
    EXPECT_EQ(masks.UpperIndex(), -1);
    EXPECT_FALSE(masks.MatchesMask("a.jpg"));
}

// One mask text, the names it must take and those it must refuse.
struct MatchCase {
    const char* masks;
    std::vector<std::string> match, refuse;
};

TEST(MatchesMask, PatternLanguage) {
    const std::string manyA(2000, 'a');  // exponential backtracking would never finish these
    const MatchCase cases[] = {
        // Case folds; the whole name counts.
        {"*.jpg;*.jpeg", {"PHOTO.JPG", "photo.Jpeg"}, {"photo.jpg.txt", "photojpg"}},
        {"*.jpg; *.png", {" a.png", "a.jpg"}, {"a.png"}},  // pieces are not trimmed
        {"*.jpg;", {"a.jpg"}, {"a.png", " "}},             // the empty piece matches no real name
        // Only ASCII digits count for "#".
        {"img##.bmp",
         {"IMG07.BMP"},
         {"IMGA7.BMP", "img7.bmp", "img##.bmp", "img\xd9\xa1\xd9\xa2.bmp"}},
        // One "?" is one character, Cyrillic and outside the BMP too.
        {"a?c", {"abc", "aжc", "a😀c"}, {"ac", "abbc"}},
        {"*.*", {".hidden", "a."}, {"README"}},
        {"*", {"README", ".x", "фото", "caf\xe9.jpg"}, {}},
        {"[ab]*.gif", {"a1.gif", "B.GIF"}, {"c.gif"}},
        {"[!0-9]*", {"x1"}, {"1x"}},
        {"[a-c]#", {"B1"}, {"d1"}},  // ranges follow code order after upper-casing
        {"[а-я]*", {"ж.jpg"}, {"z.jpg"}},
        // A dash first or last is itself.
        {"[-a]", {"-", "A"}, {"b"}},
        {"[a-]", {"-", "A"}, {"b"}},
        {"[!-a]", {"b"}, {"-"}},
        {"[a-c-]", {"-", "b"}, {}},
        {"[ab*", {"[abc"}, {"abc"}},  // an unclosed "[" is an ordinary character
        {"*[", {"x["}, {}},
        {"[z-ax]", {"x"}, {"m"}},  // a descending range holds nothing, the rest still counts
        {"a[]", {}, {"ab"}},       // an empty list matches nothing, a negated one any character
        {"a[!]", {"ab"}, {}},
        {"ФОТО.JPG", {"фото.jpg"}, {"foto.jpg"}},  // Cyrillic folds both ways
        {"фото*;*ё*", {"ФОТО_1.JPG", "ЁЛКА.png"}, {}},
        // "ß" has no one-character capital: one "?".
        {"stra?e.png", {"STRAßE.PNG"}, {}},
        {"stra??e.png", {}, {"straße.png"}},
        {"STRAßE.*", {"straße.png"}, {}},
        // Bytes that are not UTF-8: Latin-1, stray bytes, a cut-off sequence.
        {"*.jpg", {"caf\xe9.jpg", "\xff\xfe\x80.jpg", "\xd0.jpg"}, {}},
        {"caf?.JPG", {"caf\xe9.jpg"}, {"caf\xe9.png"}},
        {"*a*a*a*a*a*a*a*a*a*a*a*a*b", {}, {manyA}},
        {"*a*a*a*a*a*a*a*a*a*a*a*a*a", {manyA}, {}},
        {"**a**?**", {manyA}, {}},
    };
    for (const MatchCase& c : cases) {
        MaskList masks;
        masks.SetMasks(c.masks);
        for (const std::string& name : c.match)
            EXPECT_TRUE(masks.MatchesMask(name)) << c.masks << " / " << name;
        for (const std::string& name : c.refuse)
            EXPECT_FALSE(masks.MatchesMask(name)) << c.masks << " / " << name;
    }
    EXPECT_TRUE(MatchPattern("ABC.JPG", "A*.JPG"));  // texts already upper-cased
    EXPECT_FALSE(MatchPattern("abc.jpg", "A*.JPG"));
}

}  // namespace
}  // namespace morvane
