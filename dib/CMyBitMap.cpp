#include "dib/CMyBitMap.h"

CMyBitMap::CMyBitMap() = default;

CMyBitMap::CMyBitMap(Platform platform) : m_platform(std::move(platform)) {}

CMyBitMap::~CMyBitMap() = default;
