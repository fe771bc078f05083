// The pictures of the tray menu's commands, drawn into an image list when it is first used.
#pragma once

class TImageList;

// Adds five masked images at the list's size, each drawn for that size: 0 exit, 1 version, 2 maker link,
// 3 help, 4 settings.
void FillMenuImages(TImageList& images);
