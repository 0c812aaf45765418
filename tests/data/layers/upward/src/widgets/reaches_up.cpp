// A widget that reaches up into the application: against the layers.
#include "app/main_window.h"
