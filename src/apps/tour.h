#pragma once

#include <QString>

namespace pla::apps {

// Opens every screen built so far over a fresh demonstration database and saves a
// PNG of each (and the cycle log as PDF) in the folder; meant for the offscreen
// platform. The answer is the program's exit code.
int RunTour(const QString& folder, const QStringList& packageFolders);

} // namespace pla::apps
