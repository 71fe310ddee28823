// Skia's side of bench/peers.sh: draws one scene from the scene file that peers_bench wrote,
// through the @napi-rs/canvas package (Skia's CPU raster back end), and prints
// "ms <median per paint>" measured as peers_bench measures libgx and Cairo.
//
//   node peers_skia.js FILE SCENE [DUMP]
//
// The package records drawing and plays it back into the pixels only when they are read,
// so every timed paint ends by reading one pixel: that read is what makes the drawing
// complete. Node's start-up, the package's loading, reading the scene file and building the
// paths, gradients and image all happen before timing; one untimed paint warms up.
'use strict';
const fs = require('fs');
const { createCanvas, Path2D, Image } = require('@napi-rs/canvas');

const kSize = 1024;
const kMagic = 0x53585047;

function readScenes(path) {
    const bytes = fs.readFileSync(path);
    const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
    let at = 0;
    const word = () => { const w = view.getUint32(at, true); at += 4; return w; };
    const float = () => { const f = view.getFloat32(at, true); at += 4; return f; };
    const stops = () => Array.from({ length: word() }, () => ({ offset: float(), argb: word() }));
    if (word() !== kMagic) throw new Error('not a scene file of this version');
    const shapes = Array.from({ length: word() }, () => {
        const circle = word() !== 0;
        const p = [[float(), float()], [float(), float()], [float(), float()]];
        return { circle, p, argb: word() };
    });
    const polygon = Array.from({ length: word() }, () => [float(), float()]);
    const linear = [float(), float(), float(), float()];
    const linearStops = stops();
    const radial = [float(), float(), float(), float(), float(), float()];
    const radialStops = stops();
    const placement = [float(), float(), float(), float(), float(), float()];
    const image = Array.from({ length: word() }, word);
    return { shapes, polygon, linear, linearStops, radial, radialStops, placement, image };
}

function css(argb) {
    const r = (argb >>> 16) & 255, g = (argb >>> 8) & 255, b = argb & 255;
    return `rgba(${r},${g},${b},${(argb >>> 24) / 255})`;
}

function gradients(ctx, s) {
    const linear = ctx.createLinearGradient(...s.linear);
    for (const stop of s.linearStops) linear.addColorStop(stop.offset, css(stop.argb));
    const radial = ctx.createRadialGradient(...s.radial);
    for (const stop of s.radialStops) radial.addColorStop(stop.offset, css(stop.argb));
    return () => {
        ctx.fillStyle = linear;
        ctx.fillRect(0, 0, kSize, kSize);
        ctx.fillStyle = radial;
        ctx.fillRect(0, 0, kSize, kSize);
    };
}

// Paths made beforehand, as libgx's geometries are; colours as prepared CSS strings.
function shapes(ctx, s) {
    const paths = s.shapes.map((shape) => {
        const path = new Path2D();
        if (shape.circle) {
            path.arc(shape.p[0][0], shape.p[0][1], shape.p[1][0], 0, 2 * Math.PI);
        } else {
            path.moveTo(...shape.p[0]);
            path.lineTo(...shape.p[1]);
            path.lineTo(...shape.p[2]);
            path.closePath();
        }
        return path;
    });
    const colors = s.shapes.map((shape) => css(shape.argb));
    return () => {
        for (let i = 0; i < paths.length; ++i) {
            ctx.fillStyle = colors[i];
            ctx.fill(paths[i]);
        }
    };
}

function imageOf(s) {
    const side = Math.round(Math.sqrt(s.image.length));
    const canvas = createCanvas(side, side);
    const ctx = canvas.getContext('2d');
    const data = ctx.createImageData(side, side);
    s.image.forEach((argb, i) => {
        data.data[4 * i] = (argb >>> 16) & 255;
        data.data[4 * i + 1] = (argb >>> 8) & 255;
        data.data[4 * i + 2] = argb & 255;
        data.data[4 * i + 3] = argb >>> 24;
    });
    ctx.putImageData(data, 0, 0);
    const image = new Image();
    image.src = canvas.toBuffer('image/png');  // lossless; decoded here, before timing
    return image;
}

function prepare(ctx, s, scene) {
    if (scene === 'shapes') return shapes(ctx, s);
    if (scene === 'polygon-nonzero' || scene === 'polygon-evenodd') {
        const path = new Path2D();
        path.moveTo(...s.polygon[0]);
        for (const p of s.polygon) path.lineTo(...p);
        path.closePath();
        const rule = scene === 'polygon-evenodd' ? 'evenodd' : 'nonzero';
        return () => {
            ctx.fillStyle = css(0xC0204080);
            ctx.fill(path, rule);
        };
    }
    if (scene === 'gradients') return gradients(ctx, s);
    if (scene === 'bitmap') {
        const image = imageOf(s);
        return () => {
            ctx.imageSmoothingEnabled = true;
            ctx.imageSmoothingQuality = 'low';  // bilinear, no mipmaps
            ctx.setTransform(...s.placement);
            ctx.drawImage(image, 0, 0);
            ctx.resetTransform();
        };
    }
    const mode = { multiply: 'multiply', hue: 'hue' }[scene];
    if (!mode) throw new Error(`unknown scene ${scene}`);
    const background = gradients(ctx, s), foreground = shapes(ctx, s);
    return () => {
        background();
        ctx.globalCompositeOperation = mode;
        foreground();
        ctx.globalCompositeOperation = 'source-over';
    };
}

function main() {
    const [file, scene, dump] = process.argv.slice(2);
    const canvas = createCanvas(kSize, kSize);
    const ctx = canvas.getContext('2d');
    const draw = prepare(ctx, readScenes(file), scene);
    const paint = () => {
        ctx.fillStyle = '#ffffff';
        ctx.fillRect(0, 0, kSize, kSize);
        draw();
        ctx.getImageData(0, 0, 1, 1);
    };
    const timed = () => {
        const start = process.hrtime.bigint();
        paint();
        return Number(process.hrtime.bigint() - start) / 1e6;
    };
    // Warm-up; a paint of seconds is its own warm-up and counts as the sample.
    const first = timed();
    const times = [];
    let total = 0;
    if (first >= 2000) times.push(first);
    else while (times.length < 3 ? total < 2000 : total < 500) {
        times.push(timed());
        total += times[times.length - 1];
    }
    times.sort((a, b) => a - b);
    console.log(`ms ${times[times.length >> 1].toFixed(4)}`);
    if (dump) {
        // BGRA, as peers_bench dumps; every scene ends opaque, so straight equals premultiplied.
        const rgba = ctx.getImageData(0, 0, kSize, kSize).data;
        const bgra = Buffer.alloc(rgba.length);
        for (let i = 0; i < rgba.length; i += 4) {
            bgra[i] = rgba[i + 2];
            bgra[i + 1] = rgba[i + 1];
            bgra[i + 2] = rgba[i];
            bgra[i + 3] = rgba[i + 3];
        }
        fs.writeFileSync(dump, bgra);
    }
}

main();
