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

TEST(MatchesMask, FoldsCaseAndNeedsTheWholeName) {
    const MaskList masks = Masks("*.jpg;*.jpeg");
    EXPECT_TRUE(masks.MatchesMask("PHOTO.JPG"));
    EXPECT_TRUE(masks.MatchesMask("photo.Jpeg"));
    EXPECT_FALSE(masks.MatchesMask("photo.jpg.txt"));
    EXPECT_FALSE(masks.MatchesMask("photojpg"));
}

TEST(MatchesMask, PiecesAreNotTrimmed) {
    const MaskList masks = Masks("*.jpg; *.png");
    EXPECT_FALSE(masks.MatchesMask("a.png"));
    EXPECT_TRUE(masks.MatchesMask(" a.png"));
    EXPECT_TRUE(masks.MatchesMask("a.jpg"));
}

TEST(MatchesMask, EmptyMaskMatchesNoRealName) {
    const MaskList masks = Masks("*.jpg;");
    EXPECT_TRUE(masks.MatchesMask("a.jpg"));
    EXPECT_FALSE(masks.MatchesMask("a.png"));
    EXPECT_FALSE(masks.MatchesMask(" "));
}

TEST(MatchesMask, HashIsOneDigit) {
    const MaskList masks = Masks("img##.bmp");
    EXPECT_TRUE(masks.MatchesMask("IMG07.BMP"));
    EXPECT_FALSE(masks.MatchesMask("IMGA7.BMP"));
    EXPECT_FALSE(masks.MatchesMask("img7.bmp"));
    EXPECT_FALSE(masks.MatchesMask("img##.bmp"));
    // Only the ASCII digits count, not other scripts' digits.
    EXPECT_FALSE(masks.MatchesMask("img\xd9\xa1\xd9\xa2.bmp"));
}

TEST(MatchesMask, QuestionMarkIsExactlyOneCharacter) {
    const MaskList masks = Masks("a?c");
    EXPECT_TRUE(masks.MatchesMask("abc"));
    EXPECT_TRUE(
        masks.MatchesMask("a\xd0\xb6"
                          "c"));  // a Cyrillic letter is one character
    EXPECT_TRUE(
        masks.MatchesMask("a\xf0\x9f\x98\x80"
                          "c"));  // so is one outside the BMP
    EXPECT_FALSE(masks.MatchesMask("ac"));
    EXPECT_FALSE(masks.MatchesMask("abbc"));
}

TEST(MatchesMask, StarDotStarNeedsADotAndStarTakesAll) {
    EXPECT_FALSE(Masks("*.*").MatchesMask("README"));
    EXPECT_TRUE(Masks("*.*").MatchesMask(".hidden"));
    EXPECT_TRUE(Masks("*.*").MatchesMask("a."));
    for (const char* name : {"README", "a.jpg", ".x", "\xd1\x84\xd0\xbe\xd1\x82\xd0\xbe"})
        EXPECT_TRUE(Masks("*").MatchesMask(name)) << name;
}

TEST(MatchesMask, ListsAndNegatedLists) {
    const MaskList masks = Masks("[ab]*.gif");
    EXPECT_TRUE(masks.MatchesMask("a1.gif"));
    EXPECT_TRUE(masks.MatchesMask("B.GIF"));
    EXPECT_FALSE(masks.MatchesMask("c.gif"));

    const MaskList notDigit = Masks("[!0-9]*");
    EXPECT_TRUE(notDigit.MatchesMask("x1"));
    EXPECT_FALSE(notDigit.MatchesMask("1x"));
}

TEST(MatchesMask, RangesFollowCodeOrderAfterUpperCasing) {
    const MaskList masks = Masks("[a-c]#");
    EXPECT_TRUE(masks.MatchesMask("b1"));
    EXPECT_TRUE(masks.MatchesMask("B1"));
    EXPECT_FALSE(masks.MatchesMask("d1"));
    // Cyrillic range: А..Я covers the basic letters.
    const MaskList cyrillic = Masks("[а-я]*");
    EXPECT_TRUE(cyrillic.MatchesMask("\xd0\xb6.jpg"));  // ж
    EXPECT_FALSE(cyrillic.MatchesMask("z.jpg"));
}

TEST(MatchesMask, DashFirstOrLastIsItself) {
    EXPECT_TRUE(Masks("[-a]").MatchesMask("-"));
    EXPECT_TRUE(Masks("[a-]").MatchesMask("-"));
    EXPECT_TRUE(Masks("[a-]").MatchesMask("A"));
    EXPECT_FALSE(Masks("[a-]").MatchesMask("b"));
    EXPECT_TRUE(Masks("[!-a]").MatchesMask("b"));
    EXPECT_FALSE(Masks("[!-a]").MatchesMask("-"));
    EXPECT_TRUE(Masks("[a-c-]").MatchesMask("-"));
    EXPECT_TRUE(Masks("[a-c-]").MatchesMask("b"));
}

TEST(MatchesMask, MalformedMasksDoNotFail) {
    // A "[" that is never closed is an ordinary character.
    EXPECT_TRUE(Masks("[ab*").MatchesMask("[abc"));
    EXPECT_FALSE(Masks("[ab*").MatchesMask("abc"));
    EXPECT_TRUE(Masks("*[").MatchesMask("x["));
    // A descending range holds nothing; the rest of its list still counts.
    EXPECT_FALSE(Masks("[z-a]").MatchesMask("m"));
    EXPECT_TRUE(Masks("[z-ax]").MatchesMask("x"));
    // An empty list matches no character, a negated empty list any one.
    EXPECT_FALSE(Masks("a[]").MatchesMask("ab"));
    EXPECT_TRUE(Masks("a[!]").MatchesMask("ab"));
}

TEST(MatchesMask, CyrillicFoldsBothWays) {
    EXPECT_TRUE(Masks("ФОТО.JPG").MatchesMask("фото.jpg"));
    EXPECT_TRUE(Masks("фото*").MatchesMask("ФОТО_1.JPG"));
    EXPECT_TRUE(Masks("*ё*").MatchesMask("ЁЛКА.png"));
    EXPECT_FALSE(Masks("фото.jpg").MatchesMask("foto.jpg"));
}

TEST(MatchesMask, NamesThatAreNotUtf8) {
    const std::string latin1 = "caf\xe9.jpg";  // é in Latin-1, invalid as UTF-8
    EXPECT_TRUE(Masks("*").MatchesMask(latin1));
    EXPECT_TRUE(Masks("*.jpg").MatchesMask(latin1));
    EXPECT_TRUE(Masks("caf?.JPG").MatchesMask(latin1));
    EXPECT_FALSE(Masks("*.png").MatchesMask(latin1));
    EXPECT_TRUE(Masks("*.jpg").MatchesMask("\xff\xfe\x80.jpg"));
    EXPECT_TRUE(Masks("*.jpg").MatchesMask("\xd0.jpg"));  // a cut-off two-byte sequence
}

TEST(MatchesMask, PathologicalStarsStayFast) {
    // Exponential backtracking would never finish these.
    const std::string name(2000, 'a');
    EXPECT_FALSE(Masks("*a*a*a*a*a*a*a*a*a*a*a*a*b").MatchesMask(name));
    EXPECT_TRUE(Masks("*a*a*a*a*a*a*a*a*a*a*a*a*a").MatchesMask(name));
    EXPECT_TRUE(Masks("**a**?**").MatchesMask(name));
}

TEST(MatchPattern, TakesUpperCasedTextsAsTheyAre) {
    EXPECT_TRUE(MatchPattern("ABC.JPG", "A*.JPG"));
    EXPECT_FALSE(MatchPattern("abc.jpg", "A*.JPG"));
    EXPECT_TRUE(MatchPattern("A1B", "A#B"));
    EXPECT_FALSE(MatchPattern("", "?"));
    EXPECT_TRUE(MatchPattern("", "*"));
}

}  // namespace
}  // namespace morvane
