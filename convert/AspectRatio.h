// The aspect-ratio calculator: one side from the other, keeping the photo's
// proportions. The result is truncated toward zero; any number is accepted
// (0 gives 0, a negative side a negative result), and a result beyond the
// 32-bit range gives the nearest limit.
#pragma once

int HeightForWidth(int photoWidth, int photoHeight, int width);
int WidthForHeight(int photoWidth, int photoHeight, int height);
