// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QLocalServer;
class QObject;

namespace kelvo::singleInstance {

// Kelvo runs once per user and data directory. The socket and its lock live in
// $XDG_RUNTIME_DIR, or in a 0700 folder of our own in the temporary directory;
// a folder another user made, or opened up, is never used.

// The private folder, or empty (with the reason) when there is none to trust.
QString privateRuntimeFolder(QString *errorText = nullptr);

// The socket other instances find this one at; empty without a private folder.
QString socketPath();

// Called at start. False when this process is the instance (it then holds the
// lock until it exits); true when another live instance holds it, after handing
// it the request: one line, "show" (bring the window forward) or "new-recording".
bool handOverToRunningInstance(const QByteArray &request = "show");

// Listens for later starts, calling onRequest with each request line; nothing
// when this process does not hold the lock or there is no private folder.
QLocalServer *listen(QObject *parent, std::function<void(const QByteArray &request)> onRequest);

} // namespace kelvo::singleInstance
