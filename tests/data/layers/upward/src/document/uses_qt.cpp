// A core file that uses Qt: against the layers.
#include <QString>
