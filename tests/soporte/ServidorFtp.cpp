#include "tests/soporte/ServidorFtp.h"
