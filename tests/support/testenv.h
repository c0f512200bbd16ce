#pragma once

#include "support/printers.h"

#include <QString>
#include <functional>
#include <string>

// The world every in-process test runs in: a home folder of its own, the
// folder "beside the executable" pointed at a scratch folder, and message
// boxes recorded instead of shown.
namespace clipvane::test {

// Made once before the application object; everything else lives below it.
QString TestRoot();

// A fresh, empty folder under the test root (absolute, no trailing "/").
QString NewFolder(const QString& hint);

// Writes bytes to a file, replacing it.
void WriteFile(const QString& path, const std::string& bytes);
std::string ReadFile(const QString& path);

// Runs `body` as an unprivileged user: in a child process when the tests run
// as root (root may open any file), directly otherwise. Returns what the body
// returned, or "<child failed>" when the child did not report.
std::string AsUnprivilegedUser(const std::function<std::string()>& body);

bool RunningAsRoot();

// Runs the event loop until `condition` holds or `milliseconds` have passed.
// Unlike QTest::qWaitFor it never sleeps between events, so a download that
// waits on the main thread for every chunk runs at full pace.
bool WaitUntil(const std::function<bool()>& condition, int milliseconds);

} // namespace clipvane::test
