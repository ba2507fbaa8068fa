// The report-document component: documents, their handles and the writers.
#pragma once

#include "host/report/HCRRptDoc.h"
#include "host/report/HCRRptTypes.h"
#include "host/report/HCRRptWriter.h"
