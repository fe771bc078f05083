// The pictures of the tray menu's commands, drawn into an image list when it is first used.
#pragma once

class TImageList;

// Adds five 16 x 16 masked images: 0 exit, 1 version, 2 maker link, 3 help, 4 settings.
void FillMenuImages(TImageList& images);
