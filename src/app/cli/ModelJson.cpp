#include "ModelJson.h"
