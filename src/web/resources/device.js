// A device's trend over any range of its archive: the station sends a series cut down to
// the chart's width (every peak kept); zooming in asks for the finer series of the window.
'use strict';

(() => {
  const { iso } = Zeltar;
  const n = new URLSearchParams(location.search).get('n') || '1';
  const fromInput = document.getElementById('from');
  const toInput = document.getElementById('to');
  const chart = document.getElementById('chart');
  const info = document.getElementById('info');
  const csv = document.getElementById('csv');
  let name = `Прибор ${n}`;
  let graph = null;
  let base = [];     // the rows of the chosen range
  let wanted = null; // the newest request, so that an older answer is dropped

  function points() {
    return Math.min(5000, Math.max(200, Math.round(chart.clientWidth * 2)));
  }

  async function series(from, to) {
    return Zeltar.api(`/api/v1/devices/${n}/records?from=${iso(from)}&to=${iso(to)}&points=${points()}`);
  }

  // Axis labels in Russian, as detailed as the visible span asks: days, or times with the
  // day at midnight.
  function axisLabel(date, granularity, options, chart) {
    const [left, right] = chart.xAxisRange();
    const span = right - left;
    const day = date.toLocaleDateString('ru-RU', { day: '2-digit', month: '2-digit' });
    if (span > 3 * 86400e3) return day;
    if (span > 600e3) {
      const midnight = date.getHours() === 0 && date.getMinutes() === 0;
      return midnight ? day : date.toLocaleTimeString('ru-RU', { hour: '2-digit', minute: '2-digit' });
    }
    return date.toLocaleTimeString('ru-RU');
  }

  function rowsOf(data) {
    return data.points.map((p) => [new Date(p[0]), p[1]]);
  }

  function showRange(from, to) {
    csv.href = `/api/v1/devices/${n}/records?from=${iso(from)}&to=${iso(to)}&format=csv`;
    fromInput.value = iso(from);
    toInput.value = iso(to);
  }

  function draw(rows, window) {
    const options = {
      file: rows.length ? rows : [[new Date(), null]],
      dateWindow: window,
    };
    if (graph) {
      graph.updateOptions(options);
      return;
    }
    graph = new Dygraph(chart, options.file, {
      labels: ['Время', name],
      labelsDiv: 'readout',
      legend: 'always',
      labelsSeparateLines: false,
      connectSeparatedPoints: false,
      drawPoints: false,
      strokeWidth: 1.5,
      colors: ['#22364d'],
      axes: {
        x: {
          valueFormatter: (ms) => new Date(ms).toLocaleString('ru-RU'),
          axisLabelFormatter: axisLabel,
        },
        y: {
          valueFormatter: (v) => Zeltar.numberText(v),
          axisLabelFormatter: (v) => String(Number(v.toPrecision(12))).replace('.', ','),
        },
      },
      zoomCallback: zoomed,
    });
  }

  async function load(from, to) {
    const request = wanted = {};
    showRange(from, to);
    try {
      const data = await series(from, to);
      if (request !== wanted) return;
      base = rowsOf(data);
      draw(base, null);
      info.textContent = `Записей в диапазоне: ${data.records}, на графике точек: ${data.points.length}`;
    } catch (e) {
      info.textContent = e.message;
    }
  }

  // A zoomed window gets its own finer series; the rest of the range keeps the coarse one.
  async function zoomed(min, max) {
    const from = new Date(Math.floor(min / 1000) * 1000);
    const to = new Date(Math.ceil(max / 1000) * 1000);
    if (!graph.isZoomed('x')) {
      showRange(base.length ? base[0][0] : from, base.length ? base[base.length - 1][0] : to);
      return;
    }
    showRange(from, to);
    const request = wanted = {};
    try {
      const fine = rowsOf(await series(from, to));
      if (request !== wanted) return;
      const rows = base.filter((r) => r[0] < from).concat(fine, base.filter((r) => r[0] > to));
      draw(rows, [min, max]);
    } catch (e) {
      info.textContent = e.message;
    }
  }

  function fromInputs() {
    const from = new Date(fromInput.value);
    const to = new Date(toInput.value);
    if (!isNaN(from) && !isNaN(to)) load(from, to);
  }

  document.getElementById('show').addEventListener('click', fromInputs);
  for (const button of document.querySelectorAll('button[data-span]')) {
    button.addEventListener('click', () => {
      const to = new Date();
      load(new Date(to.getTime() - Number(button.dataset.span) * 1000), to);
    });
  }

  Zeltar.ready.then(async () => {
    try {
      const device = await Zeltar.api(`/api/v1/devices/${n}`);
      name = device.name;
      document.getElementById('title').textContent = `${device.device}. ${device.name}`;
      document.title = `Zeltar — ${device.name}`;
    } catch (e) {
      info.textContent = e.message;
      return;
    }
    const to = new Date();
    load(new Date(to.getTime() - 3600 * 1000), to);
  });
})();
