#pragma once
// The texts the user reads when something fails, in one place: the layers below report what
// happened (a path, an outcome, an errno) and the front ends show these.
#include <string>

#include "files/disposal_result.h"
#include "files/undo.h"

namespace morvane {

// The log or the list could not be made, or may not be used (see OutputFiles::Open).
std::string CreateFailedMessage(const std::string& path);
// A line could not be written to the log or the list.
std::string WriteFailedMessage(const std::string& path);
// What the user is told about the disposal of `path`; empty when there is nothing to tell.
std::string DisposalMessage(const std::string& path, const DisposalResult& result);
// What an undo did with the journal `journal` ("" when there was none to undo).
std::string UndoMessage(const UndoReport& report, const std::string& journal);
// The file to be kept of a group changed or went after the comparison: none of its group goes.
std::string KeptFileChangedMessage(const std::string& path);

// The masks box's menu: fill the box with the masks of every format read, or put the default
// masks back.
inline constexpr const char* kAllFormatsAction = "Все форматы картинок";
inline constexpr const char* kDefaultMasksAction = "Маски по умолчанию";
// A delete pressed under a reference picture: it stays.
std::string ReferenceKeptMessage(const std::string& path);
// Beside a reference picture's dimensions in its slot.
inline constexpr const char* kReferenceMark = "(эталон)";
// The folder box's menu entries for the reference folders.
inline constexpr const char* kAddReferenceFolderText = "Добавить папку эталонов…";
inline constexpr const char* kClearReferenceFoldersText = "Очистить папки эталонов";
inline constexpr const char* kReferenceFoldersTitle = "Папки эталонов (не удаляются):";
std::string RemoveReferenceFolderText(const std::string& folder);

}  // namespace morvane
