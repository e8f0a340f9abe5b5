#pragma once
// The program's icon, drawn rather than stored so that every size is sharp: a dark blue tile
// with a pulse and a sawtooth wave, the SID chip's two most recognisable voices.
#include <QIcon>
#include <QImage>
#include <array>

constexpr std::array<int, 8> ProgramIconSizes{16, 22, 24, 32, 48, 64, 128, 256};

QImage ProgramIconImage(int size);
// Every size of ProgramIconSizes.
QIcon ProgramIcon();
