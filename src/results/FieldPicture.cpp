// SPDX-License-Identifier: GPL-3.0-or-later
#include "FieldPicture.h"

#include "LbmResults.h"
#include "LbmRun.h"

#include <QFont>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

QColor ScaleColour(double t)
{
    if (!std::isfinite(t))
        t = 0;
    t = std::clamp(t, 0.0, 1.0);
    // Stops of the scale: (position, r, g, b).
    static const double stops[][4] = {{0.0, 0.0, 0.0, 0.5}, {0.15, 0.0, 0.1, 1.0}, {0.35, 0.0, 0.85, 1.0},
                                      {0.5, 0.2, 1.0, 0.4}, {0.65, 1.0, 1.0, 0.0}, {0.85, 1.0, 0.3, 0.0},
                                      {1.0, 0.55, 0.0, 0.0}};
    const int n = int(std::size(stops));
    int i = 1;
    while (i < n - 1 && t > stops[i][0])
        ++i;
    const double* a = stops[i - 1];
    const double* b = stops[i];
    const double f = (t - a[0]) / (b[0] - a[0]);
    return QColor::fromRgbF(float(a[1] + f * (b[1] - a[1])), float(a[2] + f * (b[2] - a[2])),
                            float(a[3] + f * (b[3] - a[3])));
}

QImage SpeedPicture(const lbm::Fields& fields, double lidSpeed, double top, double* usedTop)
{
    const int gx = fields.gx, gy = fields.gy;
    const std::size_t nodes = std::size_t(std::max(gx, 0)) * std::size_t(std::max(gy, 0));
    if (gx <= 0 || gy <= 0 || fields.ux.size() < nodes || fields.uy.size() < nodes || !(lidSpeed > 0))
        return {};
    std::vector<double> speed(nodes);
    double largest = 0;
    for (std::size_t k = 0; k < nodes; ++k) {
        speed[k] = std::hypot(fields.ux[k], fields.uy[k]) / lidSpeed;
        if (std::isfinite(speed[k]))
            largest = std::max(largest, speed[k]);
    }
    if (!(top > 0))
        top = largest > 0 ? largest : 1.0;
    if (usedTop)
        *usedTop = top;
    const bool solid = fields.solid.size() == nodes;
    QImage picture(gx, gy, QImage::Format_RGB32);
    for (int j = 0; j < gy; ++j) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(gy - 1 - j));
        for (int i = 0; i < gx; ++i) {
            const std::size_t k = std::size_t(j) * std::size_t(gx) + std::size_t(i);
            line[i] = solid && fields.solid[k] ? kObstacleColour : ScaleColour(speed[k] / top).rgb();
        }
    }
    return picture;
}

namespace {

// A channel's stream function: u summed over the node cells from the bottom
// wall, so that the flow through the channel lies between its lines (no
// solid node carries any).
std::vector<double> ThroughFlow(const lbm::Fields& fields, double lidSpeed)
{
    const int gx = fields.gx, gy = fields.gy;
    const std::size_t nodes = std::size_t(gx) * std::size_t(gy);
    if (gx <= 0 || gy <= 0 || fields.ux.size() < nodes || !(lidSpeed > 0))
        return {};
    std::vector<double> psi(nodes);
    for (int i = 0; i < gx; ++i) {
        double sum = 0;
        for (int j = 0; j < gy; ++j) {
            const std::size_t k = std::size_t(j) * std::size_t(gx) + std::size_t(i);
            const double u = fields.solid[k] ? 0.0 : fields.ux[k] / lidSpeed;
            sum += std::isfinite(u) ? u : 0.0;
            psi[k] = sum;
        }
    }
    return psi;
}

} // namespace

void DrawOutline(QImage& picture, const lbm::ChannelSpec& channel)
{
    if (!(channel.length > 0) || !(channel.height > 0) || picture.isNull())
        return;
    const double w = picture.width(), h = picture.height();
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255), 1.5));
    for (const lbm::Segment& s : channel.outline) {
        const auto at = [&](double x, double y) {
            return QPointF((x - channel.x) / channel.length * w, h - (y - channel.y) / channel.height * h);
        };
        painter.drawLine(at(s.x0, s.y0), at(s.x1, s.y1));
    }
}

void DrawStreamlines(QImage& picture, const lbm::Fields& fields, double lidSpeed, int count)
{
    const bool channel =
        !fields.solid.empty() &&
        fields.solid.size() == std::size_t(std::max(fields.gx, 0)) * std::size_t(std::max(fields.gy, 0));
    const std::vector<double> psi =
        channel ? ThroughFlow(fields, lidSpeed) : lbm::StreamFunction(fields, lidSpeed);
    const int gx = fields.gx, gy = fields.gy;
    const int w = picture.width(), h = picture.height();
    if (psi.empty() || count < 1 || w < 2 || h < 2)
        return;
    const auto [lowest, highest] = std::minmax_element(psi.begin(), psi.end());
    const double low = *lowest, span = *highest - *lowest;
    if (!std::isfinite(span) || !(span > 1e-12))
        return;
    // The contour band of every pixel, from psi bilinear between the nodes.
    std::vector<int> band(std::size_t(w) * std::size_t(h));
    for (int y = 0; y < h; ++y) {
        const double fy = std::clamp((h - 1 - y + 0.5) / h * gy - 0.5, 0.0, double(gy - 1));
        const int j = std::min(int(fy), gy - 2 < 0 ? 0 : gy - 2);
        const double ty = gy > 1 ? fy - j : 0;
        for (int x = 0; x < w; ++x) {
            const double fx = std::clamp((x + 0.5) / w * gx - 0.5, 0.0, double(gx - 1));
            const int i = std::min(int(fx), gx - 2 < 0 ? 0 : gx - 2);
            const double tx = gx > 1 ? fx - i : 0;
            auto at = [&](int ii, int jj) {
                return psi[std::size_t(std::min(jj, gy - 1)) * std::size_t(gx) +
                           std::size_t(std::min(ii, gx - 1))];
            };
            const double value = (1 - ty) * ((1 - tx) * at(i, j) + tx * at(i + 1, j)) +
                                 ty * ((1 - tx) * at(i, j + 1) + tx * at(i + 1, j + 1));
            band[std::size_t(y) * std::size_t(w) + std::size_t(x)] =
                std::clamp(int(std::floor((value - low) / span * count)), 0, count - 1);
        }
    }
    const QRgb ink = qRgb(20, 20, 20);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int here = band[std::size_t(y) * std::size_t(w) + std::size_t(x)];
            const bool right =
                x + 1 < w && band[std::size_t(y) * std::size_t(w) + std::size_t(x + 1)] != here;
            const bool below =
                y + 1 < h && band[std::size_t(y + 1) * std::size_t(w) + std::size_t(x)] != here;
            if (right || below)
                picture.setPixel(x, y, ink);
        }
}

QImage ColourBarPicture(double top, const QString& caption, QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    const int barLeft = 6, barWidth = size.width() / 3, barTop = 22, barBottom = size.height() - 10;
    for (int y = barTop; y <= barBottom; ++y) {
        painter.setPen(ScaleColour(double(barBottom - y) / double(barBottom - barTop)));
        painter.drawLine(barLeft, y, barLeft + barWidth, y);
    }
    painter.setPen(Qt::black);
    painter.drawRect(barLeft, barTop, barWidth, barBottom - barTop);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(9, size.height() / 22));
    painter.setFont(font);
    painter.drawText(QRect(0, 0, size.width(), barTop - 4), Qt::AlignCenter, caption);
    for (int k = 0; k <= 4; ++k) {
        const int y = barBottom - k * (barBottom - barTop) / 4;
        painter.drawLine(barLeft + barWidth, y, barLeft + barWidth + 4, y);
        painter.drawText(QRect(barLeft + barWidth + 6, y - 10, size.width(), 20), Qt::AlignVCenter,
                         QString::number(top * k / 4, 'g', 3));
    }
    return picture;
}
