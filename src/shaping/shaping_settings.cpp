#include "shaping/shaping_settings.h"
