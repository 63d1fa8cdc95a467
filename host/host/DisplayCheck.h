#pragma once

#include <QApplication>
#include <memory>

namespace pictavo::host {

// The host's QApplication. When Qt finds no display to open (DISPLAY unset, or no server
// behind it), Qt would abort with its own text; instead this says in one line on standard
// error that no display was found and what to do, and ends the program with status 1. Qt's
// messages while it starts are shown only when it starts.
std::unique_ptr<QApplication> openApplication(int& argc, char** argv);

}  // namespace pictavo::host
