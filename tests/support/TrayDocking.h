#pragma once

#include <QRect>

class QSystemTrayIcon;

// Where a tray icon sits once the tray host has docked it and stopped laying
// its icons out (it reports the origin until it is docked, and moves it again
// for a moment after); an empty rectangle when that does not happen in time.
QRect dockedGeometry(const QSystemTrayIcon &icon);
