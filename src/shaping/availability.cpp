#include "shaping/availability.h"
