#pragma once
// Where a minimised dialog draws its icon: centred, with the division truncating toward zero,
// so a client area 2 narrower than the icon gives 0 and 3 narrower gives -1.
constexpr int MinimisedIconOffset(int clientExtent, int iconExtent) {
  return (clientExtent - iconExtent + 1) / 2;
}
