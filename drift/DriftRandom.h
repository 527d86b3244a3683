// The drift generator's random source, one sequence shared by every instance
// in the library.
#pragma once

// The next value of the shared sequence, from -0.015 to +0.015.
float DriftRandom();
