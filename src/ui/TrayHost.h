#pragma once
// Where the tray icon lives: whether a tray host is there, whether one may
// still come, and word when one starts. One implementation per system.

#include <QObject>

#include <functional>

namespace vexrem {

// A tray host is there now.
bool TrayHostPresent();
// It is worth waiting with the icon: a tray host may still start.
bool TrayHostMayAppear();
// Calls fn (in context's thread, while context lives) whenever a tray host
// starts after us and has settled.
void OnTrayHostStarted(QObject* context, std::function<void()> fn);

} // namespace vexrem
