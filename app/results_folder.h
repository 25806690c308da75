#pragma once

#include <QString>

namespace vlx::app {

// Where a run's output folder is made when the user has chosen nothing: the user's
// Documents folder, or the home folder when there is none.
QString DefaultResultsFolder();

// The folder a run's output folder goes into: the chosen one, or the input's own folder
// when none is chosen (empty).
QString ResultsFolderFor(const QString& chosen, const QString& input_path);

// True when a run can make its output folder in folder.
bool CanHoldResults(const QString& folder);

}  // namespace vlx::app
