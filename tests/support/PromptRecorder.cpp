#include "support/PromptRecorder.h"
