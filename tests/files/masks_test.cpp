#include "files/masks.h"

#include <gtest/gtest.h>

#include <string>

namespace morvane {
namespace {

// A mask list made from one mask text.
MaskList Masks(std::string_view text) {
    MaskList masks;
    masks.SetMasks(text);
    return masks;
}

TEST(SetMasks, SplitsAtEverySemicolonKeepingEmptyPieces) {
    MaskList masks;
    EXPECT_EQ(masks.SetMasks("*.jpg;*.jpeg;*.bmp;*.png;*.gif;*.wmf;*.emf"), 6);
    EXPECT_EQ(masks.SetMasks("*.jpg;"), 1);
    EXPECT_EQ(masks.SetMasks(";;"), 2);
    EXPECT_EQ(masks.SetMasks("*.jpg"), 0);
    EXPECT_EQ(masks.SetMasks(""), -1);
    EXPECT_EQ(masks.UpperIndex(), -1);
    EXPECT_FALSE(masks.MatchesMask("a.jpg"));
}

struct MatchCase {
    const char* masks;
    std::string name;
    bool matches;
};

TEST(MatchesMask, PatternLanguage) {
    const std::string manyA(2000, 'a');  // exponential backtracking would never finish these
    const MatchCase cases[] = {
        {"*.jpg;*.jpeg", "PHOTO.JPG", true},  // case folds
        {"*.jpg;*.jpeg", "photo.Jpeg", true},
        {"*.jpg;*.jpeg", "photo.jpg.txt", false},  // the whole name
        {"*.jpg;*.jpeg", "photojpg", false},
        {"*.jpg; *.png", "a.png", false},  // pieces are not trimmed
        {"*.jpg; *.png", " a.png", true},
        {"*.jpg; *.png", "a.jpg", true},
        {"*.jpg;", "a.jpg", true},  // the empty piece matches no real name
        {"*.jpg;", "a.png", false},
        {"*.jpg;", " ", false},
        {"img##.bmp", "IMG07.BMP", true},
        {"img##.bmp", "IMGA7.BMP", false},
        {"img##.bmp", "img7.bmp", false},
        {"img##.bmp", "img##.bmp", false},
        {"img##.bmp", "img\xd9\xa1\xd9\xa2.bmp", false},  // only ASCII digits count
        {"a?c", "abc", true},
        {"a?c", "aжc", true},  // a Cyrillic letter is one character
        {"a?c", "a😀c", true},  // so is one outside the BMP
        {"a?c", "ac", false},
        {"a?c", "abbc", false},
        {"*.*", "README", false},  // needs a dot
        {"*.*", ".hidden", true},
        {"*.*", "a.", true},
        {"*", "README", true},
        {"*", ".x", true},
        {"*", "\xd1\x84\xd0\xbe\xd1\x82\xd0\xbe", true},
        {"[ab]*.gif", "a1.gif", true},
        {"[ab]*.gif", "B.GIF", true},
        {"[ab]*.gif", "c.gif", false},
        {"[!0-9]*", "x1", true},
        {"[!0-9]*", "1x", false},
        {"[a-c]#", "B1", true},  // ranges follow code order after upper-casing
        {"[a-c]#", "d1", false},
        {"[а-я]*", "\xd0\xb6.jpg", true},  // ж
        {"[а-я]*", "z.jpg", false},
        {"[-a]", "-", true},  // a dash first or last is itself
        {"[a-]", "-", true},
        {"[a-]", "A", true},
        {"[a-]", "b", false},
        {"[!-a]", "b", true},
        {"[!-a]", "-", false},
        {"[a-c-]", "-", true},
        {"[a-c-]", "b", true},
        {"[ab*", "[abc", true},  // an unclosed "[" is an ordinary character
        {"[ab*", "abc", false},
        {"*[", "x[", true},
        {"[z-a]", "m", false},  // a descending range holds nothing, the rest still counts
        {"[z-ax]", "x", true},
        {"a[]", "ab", false},  // an empty list matches nothing, a negated one any character
        {"a[!]", "ab", true},
        {"ФОТО.JPG", "фото.jpg", true},  // Cyrillic folds both ways
        {"фото*", "ФОТО_1.JPG", true},
        {"*ё*", "ЁЛКА.png", true},
        {"фото.jpg", "foto.jpg", false},
        {"stra?e.png", "STRAßE.PNG", true},  // "ß" has no one-character capital: one "?"
        {"stra??e.png", "straße.png", false},
        {"STRAßE.*", "straße.png", true},
        {"*", "caf\xe9.jpg", true},  // Latin-1, invalid as UTF-8
        {"*.jpg", "caf\xe9.jpg", true},
        {"caf?.JPG", "caf\xe9.jpg", true},
        {"*.png", "caf\xe9.jpg", false},
        {"*.jpg", "\xff\xfe\x80.jpg", true},
        {"*.jpg", "\xd0.jpg", true},  // a cut-off two-byte sequence
        {"*a*a*a*a*a*a*a*a*a*a*a*a*b", manyA, false},
        {"*a*a*a*a*a*a*a*a*a*a*a*a*a", manyA, true},
        {"**a**?**", manyA, true},
    };
    for (const MatchCase& c : cases)
        EXPECT_EQ(Masks(c.masks).MatchesMask(c.name), c.matches) << c.masks << " / " << c.name;
}

TEST(MatchPattern, TakesUpperCasedTextsAsTheyAre) {
    EXPECT_TRUE(MatchPattern("ABC.JPG", "A*.JPG"));
    EXPECT_FALSE(MatchPattern("abc.jpg", "A*.JPG"));
}

}  // namespace
}  // namespace morvane
