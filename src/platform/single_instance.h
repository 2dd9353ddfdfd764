#pragma once
// One running copy per user: the first copy listens on a local socket named "Varnel"
// plus the user id; a later copy finds it there, asks it to show its window and ends.
// A socket left behind by a copy that crashed answers nobody and is replaced. The socket
// lives only in a folder that this user alone owns and may write, and a copy trusts
// only a peer of the same user: no other user can make QELT believe it already runs.

#include <sys/types.h>

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace platform {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The socket lives in the user's runtime folder ($XDG_RUNTIME_DIR) when only the user
    // may use it, else in a folder "qelt-UID" of the temporary folder made for the user
    // alone; when neither can be had, there is no socket (see Claim::Unguarded).
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);

    enum class Claim { Running, OtherCopyRunning, Unavailable, Unguarded };
    // Running: this process is now the running copy. OtherCopyRunning: another copy of
    // this user answered and has been asked to show itself. Unavailable: the socket could
    // not be made. Unguarded: no folder that this user alone owns could be found, or what
    // answers at the socket belongs to another user; nothing is listened on. In the last
    // two cases the program runs all the same, without the guard, rather than not ringing
    // at all, and should say so.
    Claim ClaimInstance();
    // Empty when there is no safe folder.
    const QString& SocketPath() const { return m_strPath; }

    // The folder name is safe to hold the socket: a directory, not a link, owned by this
    // user and not open to the group or others.
    static bool IsPrivateFolder(const QString& folder);
    // Whether the process at the other end of a connected local socket runs as uid.
    static bool PeerIsUser(qintptr descriptor, uid_t uid);

    // A request of a later copy to the running one (for example "emergency" with a file),
    // answered by the handler: true when the running copy took it. Only requests of
    // this user's processes reach the handler.
    using RequestHandler = std::function<bool(const QString& command, const QString& argument)>;
    void SetRequestHandler(RequestHandler handler) { m_Handler = std::move(handler); }

    enum class RequestResult { Taken, Refused, NoCopy };
    // Sends a request to the running copy of this user named name and waits up to
    // timeoutMs for its answer. NoCopy: none answers (or it is another user's).
    static RequestResult SendRequest(const QString& name, const QString& command,
                                     const QString& argument, int timeoutMs);
    // Whether a copy of this user listens under name (it is not asked anything).
    static bool Answers(const QString& name);
    // The names starting with prefix that this user's copies listen under (their sockets
    // are there; a stale one of a crashed copy is among them).
    static QStringList RunningNames(const QString& prefix);

signals:
    // A later copy asked this one to restore and raise its window.
    void activationRequested();

private:
    void OnConnection();
    // The socket's path for name; empty when there is no safe folder.
    static QString SocketPathFor(const QString& name);

    QString m_strPath;
    RequestHandler m_Handler;
    QLocalServer m_Server;
};

}  // namespace platform
