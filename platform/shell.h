#pragma once

#include <QUrl>
#include <functional>
#include <string>

// Hands documents and addresses to the desktop, the way a double-click would.
// Results are not reported: the caller goes on as if the launch succeeded.
namespace clipvane::platform {

void OpenDocument(const std::string& path);
void OpenWebAddress(const std::string& address);
void OpenMailTo(const std::string& mailbox);

// Tests take the URL instead of starting a browser. Pass an empty function to
// launch for real again.
void SetShellOpenerForTests(std::function<void(const QUrl&)> opener);

} // namespace clipvane::platform
