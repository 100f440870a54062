#pragma once
// The list of search masks and the test of a file name against it.
#include <QString>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

class MaskList {
public:
    // Splits the text at every ";" (empty pieces kept); returns the upper index, -1 for none.
    int SetMasks(std::string_view maskText);
    // True when the (UTF-8) name matches at least one mask, both upper-cased first.
    bool MatchesMask(std::string_view fileName) const;
    int UpperIndex() const { return static_cast<int>(masks_.size()) - 1; }

private:
    std::vector<QString> masks_;  // upper-cased once
};

// The pattern language on its own: ? * # [list] [!list], whole name against whole mask.
bool MatchPattern(const QString& upperName, const QString& upperMask);

}  // namespace morvane
