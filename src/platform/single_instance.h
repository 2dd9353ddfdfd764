#pragma once
// One running copy per user: the first copy listens on a local socket named "Varnel"
// plus the user id; a later copy finds it there, asks it to show its window and ends.
// A socket left behind by a copy that crashed answers nobody and is replaced.

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace platform {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The socket lives in the user's runtime folder ($XDG_RUNTIME_DIR).
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);

    enum class Claim { Running, OtherCopyRunning, Unavailable };
    // Running: this process is now the running copy. OtherCopyRunning: another copy
    // answered and has been asked to show itself. Unavailable: the socket could not be
    // made; the program runs all the same rather than not ringing at all.
    Claim ClaimInstance();
    const QString& SocketPath() const { return m_strPath; }

signals:
    // A later copy asked this one to restore and raise its window.
    void activationRequested();

private:
    void OnConnection();

    QString m_strPath;
    QLocalServer m_Server;
};

}  // namespace platform
