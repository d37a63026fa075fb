// String identifiers of the cabinet reader's messages (res/CabMessages.rc).
#pragma once
#define IDS_FDIERROR_FIRST 31744 /* + TFDIERROR code, 0..11 */
#define IDS_FDIERROR_OTHER 31756
#define IDS_FCIERROR_FIRST 31760 /* + compression error code, 0..8 */
#define IDS_FCIERROR_OTHER 31769
#define IDS_CAB_UNSAFE_NAME 31770
#define IDS_CAB_NOT_FIRST 31771
#define IDS_CAB_NO_FILES 31772
#define IDS_CAB_NO_FOLDERS 31773
#define IDS_CAB_BAD_FOLDER 31774
#define IDS_CAB_TABLE_PAST_END 31775
#define IDS_CAB_NO_SPACE 31776
#define IDS_CAB_ACCESS_DENIED 31777
#define IDS_CAB_IN_USE 31778
#define IDS_CAB_MEGABYTES 31779
#define IDS_CAB_KILOBYTES 31780
