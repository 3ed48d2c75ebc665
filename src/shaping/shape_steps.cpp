#include "shaping/shape_steps.h"
