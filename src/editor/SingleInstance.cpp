#include "editor/SingleInstance.h"

#include <QFileInfo>
#include <QLocalSocket>

#include <unistd.h>

namespace skirlo {

namespace {

constexpr int kTimeoutMs = 2000;

}  // namespace

QString SingleInstance::defaultName() { return QStringLiteral("skirlo-%1").arg(::getuid()); }

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::receive);
}

bool SingleInstance::handOver(const QStringList& files) const {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kTimeoutMs)) return false;
    QByteArray message;
    for (const QString& file : files) message += QFileInfo(file).absoluteFilePath().toUtf8() + '\n';
    message += '\n';  // an empty line ends the list, so the receiver knows it has all of it
    socket.write(message);
    if (!socket.waitForBytesWritten(kTimeoutMs)) return false;
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen() {
    // A socket left by a program that crashed would refuse the name.
    QLocalServer::removeServer(name_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    return server_.listen(name_);
}

void SingleInstance::receive() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->property("done").toBool() && socket->peek(socket->bytesAvailable()).contains("\n\n")) {
                socket->setProperty("done", true);
                QStringList files = QString::fromUtf8(socket->readAll()).split('\n', Qt::SkipEmptyParts);
                // Opening may show a box whose event loop deletes this socket
                // when its peer hangs up: the files are opened from the main
                // loop, after this handler has returned.
                QMetaObject::invokeMethod(
                    this, [this, files] { emit filesReceived(files); }, Qt::QueuedConnection);
            }
        });
    }
}

}  // namespace skirlo
