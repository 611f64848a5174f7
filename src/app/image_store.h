// SPDX-License-Identifier: Apache-2.0
/*
 * image_store.h - the gateway's two point images and their publication.
 *
 * The store holds one published PointImage (status and measured values with
 * their qualities and the per-table point counts of the last refresh).
 *
 * A refresh never writes the published image. It takes a private copy with
 * Begin() (so points whose rows are gone keep their last value), writes
 * that, and hands it to Publish(), one atomic store of a std::shared_ptr.
 * Readers call Snapshot(): an atomic load that gives a shared_ptr to a
 * complete, immutable image, either the old or the new one, never a mix. A
 * reader keeps its snapshot alive as long as it holds the pointer; the
 * writer never touches an image after publishing it. Taking a snapshot
 * costs one atomic reference-count increment, no copy, so the interrogation
 * answer (connection thread) and the periodic report (main thread) each take
 * one snapshot and read all their ranges from it.
 *
 * Threads: Snapshot from any thread; Begin and Publish from the one thread
 * that refreshes (the main thread).
 */
#ifndef IMAGE_STORE_H
#define IMAGE_STORE_H

#include <memory>

#include "point_image.h"

class ImageStore
{
  public:
    /* Publishes an image of zeros. */
    ImageStore();
    ImageStore(const ImageStore&) = delete;
    ImageStore& operator=(const ImageStore&) = delete;

    /* The published image; never null. */
    PointImageSnapshot Snapshot() const;
    /* A private copy of the published image for a refresh to write. */
    std::shared_ptr<PointImage> Begin() const;
    /* Makes img the published image; the caller no longer writes it. */
    void Publish(const std::shared_ptr<PointImage>& img);

  private:
    PointImageSnapshot m_image; /* atomic access only */
};

#endif
