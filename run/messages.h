// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The texts the user reads when something fails, in one place: the layers below report what
// happened (a path, an outcome, an errno) and the front ends show these, in the user's
// language (see run/language.h).
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
// A warning of the fingerprint cache at `path`; the search goes on.
std::string CacheWarning(const std::string& path, const std::string& text);
// What the cache warns of: no folder for it, a damaged file made anew, a file that does not
// open, another program's database, a failure that ends its use (each with its detail).
std::string CacheNoFolderText();
std::string CacheRemadeText(const std::string& error);
std::string CacheNotOpenedText(const std::string& error);
std::string CacheForeignText();
std::string CacheGivenUpText(const std::string& what);

// The masks box's menu: fill the box with the masks of every format read, or put the default
// masks back.
std::string AllFormatsActionText();
std::string DefaultMasksActionText();
// A delete pressed under a reference picture: it stays.
std::string ReferenceKeptMessage(const std::string& path);
// Beside a reference picture's dimensions in its slot.
std::string ReferenceMark();
// The folder box's menu entries for the reference folders.
std::string AddReferenceFolderText();
std::string ClearReferenceFoldersText();
std::string ReferenceFoldersTitle();
std::string RemoveReferenceFolderText(const std::string& folder);

}  // namespace morvane
