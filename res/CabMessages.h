// String identifiers of the cabinet reader's messages (res/CabMessages.rc).
#pragma once
#define IDS_FDIERROR_FIRST 31744 /* + TFDIERROR code, 0..11 */
#define IDS_FDIERROR_OTHER 31756
#define IDS_FCIERROR_FIRST 31760 /* + compression error code, 0..8 */
#define IDS_FCIERROR_OTHER 31769
#define IDS_CAB_UNSAFE_NAME 31770
#define IDS_CAB_NOT_FIRST 31771
