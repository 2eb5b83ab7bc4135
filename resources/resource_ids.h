// Identifiers shared by qorbin.rc and the win32 backend.
#pragma once
#define IDI_QORBIN 100
