#pragma once

// Registers the compiled-in images below ":/gui4/images/".
void initGui4Resources();
