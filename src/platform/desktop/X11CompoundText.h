#pragma once

#include <QByteArray>
#include <QString>

// A title in compound text (the X Consortium's ISO 2022 profile, what Xlib writes for a title in
// any locale's own character sets), decoded; what no encoding here knows reads as U+FFFD.
QString fromCompoundText(const QByteArray& bytes);
