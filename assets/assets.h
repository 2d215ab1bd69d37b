#pragma once
// Registers the compiled-in pictures; resources in a static library need this once.
void InitAssets();
