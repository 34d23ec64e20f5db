#pragma once
// Resource numbers shared by the resource script and the code that loads them.
#define MARIONETTE_ICON 1
