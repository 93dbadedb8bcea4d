// SPDX-License-Identifier: GPL-3.0-or-later
#include "summary/ValueSeries.h"

namespace corvalin {

Result<ValueSeries> ReadSeries(ArchiveDatabase& archive, const SeriesQuery& query) {
    using R = Result<ValueSeries>;
    if (query.to <= query.from) return R::Fail("The span's end must come after its start");
    if (query.points < 1) return R::Fail("A series needs at least one point");
    ValueSeries series;
    // The fewest seconds that fit the span into the points.
    series.bucketSeconds = (query.to - query.from + query.points - 1) / query.points;
    const BucketQuery buckets{query.channel, query.quantity, query.from, query.to,
                              series.bucketSeconds};
    std::optional<ValueBucket> previous;
    const Status read = archive.ReadBuckets(query.station, buckets, [&](const ValueBucket& bucket) {
        // Empty buckets between rows further apart than a step: a gap.
        if (previous && bucket.index > previous->index + 1 &&
            bucket.firstTime - previous->lastTime > query.longestStep) {
            series.points.push_back(
                {query.from + (previous->index + 1) * series.bucketSeconds, {}, {}, {}});
        }
        series.points.push_back({query.from + bucket.index * series.bucketSeconds, bucket.lowest,
                                 bucket.highest, bucket.sum / static_cast<double>(bucket.count)});
        previous = bucket;
    });
    if (!read) return R::Fail(read.message);
    return R::Of(std::move(series));
}

}  // namespace corvalin
