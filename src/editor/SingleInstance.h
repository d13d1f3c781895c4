#pragma once
// One running program per user: the first start listens on a local socket;
// a later start hands its files to it and exits. The files travel as
// absolute paths, one per line, in UTF-8.

#include <QLocalServer>
#include <QObject>
#include <QStringList>

namespace skirlo {

class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // The socket name of this user's running program.
    static QString defaultName();

    explicit SingleInstance(QString name, QObject* parent = nullptr);

    // Hands the files to a running program; false when none answers.
    bool handOver(const QStringList& files) const;
    // Starts listening; false when the socket cannot be made.
    bool listen();

signals:
    void filesReceived(const QStringList& files);

private:
    void receive();

    QString name_;
    QLocalServer server_;
};

}  // namespace skirlo
