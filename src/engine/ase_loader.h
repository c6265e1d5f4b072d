// AseLoader: reads the ASCII Scene Export records a Mesh needs from a text stream.
#pragma once

#include <cstdint>
#include <cstdio>

class Mesh;

// Fills a Mesh whose arrays are already allocated from the five records it
// understands; every other word of the stream is skipped. Records beyond the
// mesh's counts are read and dropped, so nothing is ever written outside the
// arrays; values a record could not read are stored as 0.
class AseLoader {
   public:
    // Words longer than this are skipped whole: no keyword is that long.
    static constexpr int MAX_WORD = 79;

    explicit AseLoader(Mesh& mesh) : mesh(mesh) {}
    // Scans the stream to its end; the caller opens and closes it.
    void read(FILE* stream);

   private:
    // Reads the next whitespace-separated word into word (at most MAX_WORD
    // characters). Returns false at the end of the stream; a longer word is
    // consumed and comes back empty.
    static bool readWord(FILE* stream, char (&word)[MAX_WORD + 1]);
    void readVertex(FILE* stream);
    void readFace(FILE* stream);
    void readTexVertex(FILE* stream);
    void readTexFace(FILE* stream);
    void readVertexNormal(FILE* stream);

    Mesh& mesh;
    // Records seen so far, per keyword (they index the next element).
    int64_t vertexRecords = 0;
    int64_t faceRecords = 0;
    int64_t texVertexRecords = 0;
    int64_t texFaceRecords = 0;
};

// A single-precision value truncated toward zero to int32; NaN gives 0 and
// values beyond the int32 range saturate, so no input can trap the conversion.
int32_t truncateToInt32(float value);
