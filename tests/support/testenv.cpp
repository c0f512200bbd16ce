#include "support/testenv.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QUuid>
#include <sys/wait.h>
#include <unistd.h>

namespace clipvane::test {

QString TestRoot()
{
    static QTemporaryDir root(QDir::tempPath() + QStringLiteral("/clipvane-tests-XXXXXX"));
    return root.path();
}

QString NewFolder(const QString& hint)
{
    const QString path = TestRoot() + QStringLiteral("/") + hint + QStringLiteral("-") +
                         QUuid::createUuid().toString(QUuid::Id128).left(8);
    QDir().mkpath(path);
    return path;
}

void WriteFile(const QString& path, const std::string& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

bool WaitUntil(const std::function<bool()>& condition, int milliseconds)
{
    if (condition())
        return true;
    QEventLoop loop;
    QTimer poll;
    QTimer limit;
    poll.setInterval(5);
    limit.setSingleShot(true);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start();
    limit.start(milliseconds);
    loop.exec();
    return condition();
}

bool RunningAsRoot()
{
    return ::geteuid() == 0;
}

std::string AsUnprivilegedUser(const std::function<std::string()>& body)
{
    if (!RunningAsRoot())
        return body();

    int fds[2];
    if (::pipe(fds) != 0)
        return "<child failed>";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        std::string result = "<child failed>";
        if (::setgid(65534) == 0 && ::setuid(65534) == 0)
            result = body();
        const char* p = result.data();
        std::size_t left = result.size();
        while (left > 0) {
            const ssize_t n = ::write(fds[1], p, left);
            if (n <= 0)
                break;
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string result;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
        result.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return result.empty() ? "<child failed>" : result;
}

} // namespace clipvane::test
