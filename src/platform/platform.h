// SPDX-License-Identifier: MIT
// The platform edge: what one windowing system needs beyond the SDL calls
// that every platform shares.
#pragma once

// Called once, right after the full-screen video mode is set: makes sure the
// window really covers the screen that SDL scales the picture to.
void fillscreen();
