// SPDX-License-Identifier: Apache-2.0
/*
 * image_store.cpp - publication of the point images (see image_store.h).
 */
#include "image_store.h"

ImageStore::ImageStore() : m_image(std::make_shared<const PointImage>()) {}

PointImageSnapshot ImageStore::Snapshot() const
{
    return std::atomic_load(&m_image);
}

std::shared_ptr<PointImage> ImageStore::Begin() const
{
    return std::make_shared<PointImage>(*Snapshot());
}

void ImageStore::Publish(const std::shared_ptr<PointImage>& img)
{
    std::atomic_store(&m_image, PointImageSnapshot(img));
}
