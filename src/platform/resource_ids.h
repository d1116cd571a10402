#pragma once
// Resource ids shared by the resource script and the code that loads them.
#define IDI_VANTOREL 1
// Command icons: RCDATA holding whole ICO files, id = base + command id.
#define IDR_COMMAND_ICON_BASE 100
// The editor component's DLL image, mapped from memory at start-up.
#define IDR_EDITOR_IMAGE 200
