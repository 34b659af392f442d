#include "mac/backend/writer/WriterTextMapping.h"
