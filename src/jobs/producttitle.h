#pragma once

#include <QString>

// "Vexo 4.0": the product name and version that window titles begin with. It lives at
// the bottom so that every window, whatever its layer, names the program the same way.
QString productTitle();
