// frame_layout.h: what users expect of a desktop window beyond the menus: the
// main window's size, place and docked panes kept between runs (settings group
// "Window"), connection windows placed wholly inside the window area, and the
// usual keys for the commands. GUI thread.
#pragma once

#include <QRect>

class CMainFrame;
class QMainWindow;

// window moved, and shrunk where it is larger, so that it lies wholly inside area.
QRect FitInside(const QRect& window, const QRect& area);

// Restores the size, place and panes saved by SaveFrameLayout; nothing when none
// were saved or they cannot be read.
void RestoreFrameLayout(QMainWindow& frame);
void SaveFrameLayout(const QMainWindow& frame);

// Ctrl+X, Ctrl+C, Ctrl+V, Delete and Ctrl+N on Cut, Copy, Paste, Delete and New
// (the menus keep their texts), and F5, which lists the current folder of the
// focused file tree again.
void AddStandardShortcuts(CMainFrame& frame);
