// The dialogs of checking: choosing checksum lists, what went wrong with one,
// bringing a list up to date, and two files compared.
#pragma once

#include "gui/logic/check_session.h"

#include <windows.h>

#include <string>
#include <vector>

namespace app {

std::vector<std::wstring> ChooseChecksumFiles(HWND owner);

// Why a list's files couldn't be verified; nothing for a list that was fine.
void WarnAboutList(HWND owner, const std::wstring& listPath, const ListOutcome& outcome);

enum class UpdateChoice { Update, SaveNewFile, Cancel };
UpdateChoice AskToUpdateList(HWND owner, const std::wstring& listPath);
void ReportListUpdate(HWND owner, const ListUpdateDone& done);

void ReportComparison(HWND owner, const Comparison& comparison);

}  // namespace app
