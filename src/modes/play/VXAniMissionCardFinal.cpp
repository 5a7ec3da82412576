#include "modes/play/VXAniMissionCardFinal.h"
