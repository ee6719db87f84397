#include "monitors/monitors.h"

// Arguments and environment change nothing. Every outcome, a report cut short by a
// missing file included, ends with status 0.
int main()
{
    cpu_mon();
    brightness_mon();
    battery_mon();
    return 0;
}
