#pragma once

// The progress functions the progressive coder calls after each layer with the vertex count
// reached: each writes it to the status bar (nothing without a main window). The result is
// not used by the coder.
int EncodingProgress(int nbVertex);
int DecodingProgress(int nbVertex);
