#include "mac/backend/writer/WriterOffice.h"
