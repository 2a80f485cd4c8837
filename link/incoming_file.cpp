#include "link/terminal_link.h"
