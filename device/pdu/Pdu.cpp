#include "device/pdu/Pdu.h"
