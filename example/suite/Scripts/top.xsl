<?xml version="1.0" encoding="UTF-8"?>
<!--
  The run of a regression report: machine, platform, run time and version
  from its Global record, and the totals of the run.

    xsltproc -o RUN_top.htm Style/top.xsl RUN.xml
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">

  <xsl:output method="html" encoding="UTF-8" indent="yes" doctype-system="about:legacy-compat"/>

  <xsl:param name="style-location" select="'Style'"/>

  <xsl:template match="/">
    <html lang="en">
      <head>
        <title>Regression test report: run</title>
        <link rel="stylesheet" href="{$style-location}/style.css"/>
      </head>
      <body class="rt-view-top">
        <div id="rt-root">
          <h2 class="rt-section-title">Run</h2>
          <xsl:apply-templates select="KxRegTester"/>
        </div>
      </body>
    </html>
  </xsl:template>

  <xsl:template match="KxRegTester">
    <xsl:variable name="g" select="Global"/>
    <!-- A group's summary already holds the counts of its tests: add up the top-level groups only. -->
    <xsl:variable name="sums" select="Group/Summary"/>
    <xsl:variable name="tests" select=".//Group/Test | .//Group/No_Obj_Spec"/>
    <div class="rt-top">
      <dl class="rt-facts">
        <xsl:call-template name="fact">
          <xsl:with-param name="label" select="'Machine'"/><xsl:with-param name="value" select="$g/Machine"/>
        </xsl:call-template>
        <xsl:call-template name="fact">
          <xsl:with-param name="label" select="'Platform'"/><xsl:with-param name="value" select="$g/Platform"/>
        </xsl:call-template>
        <xsl:call-template name="fact">
          <xsl:with-param name="label" select="'Run time'"/><xsl:with-param name="value" select="$g/RunTime"/>
        </xsl:call-template>
        <xsl:call-template name="fact">
          <xsl:with-param name="label" select="'Version'"/><xsl:with-param name="value" select="$g/Version"/>
        </xsl:call-template>
      </dl>
      <table class="rt-totals">
        <thead>
          <tr>
            <th scope="col">Groups</th>
            <th scope="col">Tests</th>
            <th scope="col">Failed tests</th>
            <th scope="col">KxErrors</th>
            <th scope="col">Errors</th>
            <th scope="col">Warnings</th>
            <th scope="col">ExtErrors</th>
            <th scope="col">ExtWarnings</th>
          </tr>
        </thead>
        <tbody>
          <tr>
            <td class="rt-num"><xsl:value-of select="count(.//Group)"/></td>
            <td class="rt-num"><xsl:value-of select="count($tests)"/></td>
            <td class="rt-num">
              <xsl:value-of select="count($tests[Summary/Errors[normalize-space(.) != '0']
                                                 or Summary/ExtErrors[normalize-space(.) != '0']])"/>
            </td>
            <xsl:call-template name="total">
              <xsl:with-param name="name" select="'KxErrors'"/><xsl:with-param name="value" select="sum($sums/KxErrors)"/>
            </xsl:call-template>
            <xsl:call-template name="total">
              <xsl:with-param name="name" select="'Errors'"/><xsl:with-param name="value" select="sum($sums/Errors)"/>
            </xsl:call-template>
            <xsl:call-template name="total">
              <xsl:with-param name="name" select="'Warnings'"/><xsl:with-param name="value" select="sum($sums/Warnings)"/>
            </xsl:call-template>
            <xsl:call-template name="total">
              <xsl:with-param name="name" select="'ExtErrors'"/><xsl:with-param name="value" select="sum($sums/ExtErrors)"/>
            </xsl:call-template>
            <xsl:call-template name="total">
              <xsl:with-param name="name" select="'ExtWarnings'"/><xsl:with-param name="value" select="sum($sums/ExtWarnings)"/>
            </xsl:call-template>
          </tr>
        </tbody>
      </table>
      <xsl:if test="not($g)">
        <p class="rt-note">The report has no global record yet: the run has not finished or stopped early.</p>
      </xsl:if>
    </div>
  </xsl:template>

  <xsl:template name="fact">
    <xsl:param name="label"/>
    <xsl:param name="value"/>
    <dt><xsl:value-of select="$label"/></dt>
    <dd>
      <xsl:choose>
        <xsl:when test="string($value)"><xsl:value-of select="$value"/></xsl:when>
        <xsl:otherwise>&#8211;</xsl:otherwise>
      </xsl:choose>
    </dd>
  </xsl:template>

  <xsl:template name="total">
    <xsl:param name="name"/>
    <xsl:param name="value"/>
    <td>
      <xsl:attribute name="class">
        <xsl:text>rt-num rt-count-</xsl:text><xsl:value-of select="$name"/>
        <xsl:if test="$value != 0"> rt-nonzero</xsl:if>
      </xsl:attribute>
      <xsl:value-of select="$value"/>
    </td>
  </xsl:template>

</xsl:stylesheet>
