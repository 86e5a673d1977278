#pragma once
// Reads a text form design into a root component (normally a window): creates the
// components in design order under the loading state, assigns published properties,
// hands other names to the objects' stored-property hooks, binds events by method
// name, reads collections, and then runs Loaded in creation order, the root last.

#include <QByteArray>
#include <QString>

namespace lumicar {

class TComponent;

// Reads design text into root. The design's outer object must be of root's class or
// one of its ancestors; root takes the design's name when it has none yet. Every
// component of the design is created with root as owner. On any error, everything
// this read created is freed, root's name and state are as before, and EReadError
// "Line L, column C: <what>" is raised (errors raised by Loaded propagate as they
// are, after the same clean-up).
void ReadComponentDesign(TComponent* root, const QByteArray& text);

// The same for a design compiled into the program as a Qt resource (":/...") or any
// file; EReadError when it cannot be opened.
void ReadComponentResource(TComponent* root, const QString& path);

}  // namespace lumicar
