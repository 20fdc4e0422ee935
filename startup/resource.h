// Resource identifiers of Tarnwick.exe.
#pragma once
#define IDI_APP 1                 // the program's icon
#define IDR_BANNER_FIRST 201      // six page banners, 201..206
#define IDR_MANIFEST 1
#define TARNWICK_VERSION "1.0.0.0"   // also the version resource's texts
