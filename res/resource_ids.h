// Resource identifiers shared by quorvel.rc and the code that loads them.
// Plain #defines: windres reads this file too.
#ifndef QUORVEL_RESOURCE_IDS_H
#define QUORVEL_RESOURCE_IDS_H

#define IDI_QUORVEL 1

// The embedded PNG images, by image number: IDR_IMAGE_BASE + n.
#define IDR_IMAGE_BASE 100
#define IDR_IMAGE_LOGO 100
#define IDR_IMAGE_QUICK_CONNECT 101
#define IDR_IMAGE_CONNECT 102
#define IDR_IMAGE_FAVOURITE 103
#define IDR_IMAGE_ABOUT 104
#define IDR_IMAGE_PLAYER 105

#endif
