// The application-wide upper-case forcing of the text boxes.

#include "SmallControls.h"

namespace velkora::controls {

namespace {
bool forced = false;
} // namespace

void setForceUppercase(bool on)
{
    forced = on;
}

bool forceUppercase()
{
    return forced;
}

} // namespace velkora::controls
