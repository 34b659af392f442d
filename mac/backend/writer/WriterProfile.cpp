#include "mac/backend/writer/WriterProfile.h"
