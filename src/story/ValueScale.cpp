#include "story/ValueScale.h"

TValueScale FitValueScale(double lowest, double highest, int, int)
{
    return {lowest, highest, 1, 0};
}
