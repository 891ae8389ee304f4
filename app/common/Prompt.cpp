#include "common/Prompt.h"
